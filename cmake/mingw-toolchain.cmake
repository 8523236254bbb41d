# What the two MinGW-w64 toolchain files share. They set VEXTOR_MINGW_TARGET
# (the compiler prefix, e.g. i686-w64-mingw32) and CMAKE_SYSTEM_PROCESSOR
# before including this file.
#
# The -posix compiler variant is used: its C++ runtime has std::thread and
# std::mutex, which GoogleTest and the tests rely on; the -win32 variant of
# this GCC lacks them. The runtime is linked statically so that vextor.exe
# needs no DLL besides the system's own.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${VEXTOR_MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEXTOR_MINGW_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER ${VEXTOR_MINGW_TARGET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VEXTOR_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
