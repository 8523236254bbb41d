# Cross build for 32-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-i686).
#
# 32-bit Windows programs cannot be run on this machine, so no emulator is
# set: the tests are built, not run.
set(VEXTOR_MINGW_TARGET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
