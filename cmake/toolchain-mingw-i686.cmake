# Cross build for 32-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-i686).
#
# The -posix compiler variant is used: its C++ runtime has std::thread and
# std::mutex, which GoogleTest and the tests rely on; the -win32 variant of
# this GCC lacks them. The runtime is linked statically so that vextor.exe
# needs no DLL besides the system's own.
#
# 32-bit Windows programs cannot be run on this machine, so no emulator is
# set: the tests are built, not run.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
