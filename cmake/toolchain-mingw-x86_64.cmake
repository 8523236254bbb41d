# Cross build for 64-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-x86-64).
#
# 64-bit Windows programs run here under Wine, so the tests and the demo run
# through cmake/wine64-run, with a Wine prefix of the build's own.
set(VEXTOR_MINGW_TARGET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)

set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_COMMAND} -E env WINEPREFIX=${CMAKE_BINARY_DIR}/wine
    ${CMAKE_CURRENT_LIST_DIR}/wine64-run)
