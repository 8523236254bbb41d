# Sets up the Wine prefix of a build whose programs run under
# cmake/wine64-run, as part of the build: the first start of Wine in a new
# prefix takes longer than the tests allow a test program to list its tests.
if(CMAKE_CROSSCOMPILING_EMULATOR MATCHES "wine64-run")
  set(vx_wine_ready ${CMAKE_BINARY_DIR}/wine/system.reg)
  add_custom_command(
    OUTPUT ${vx_wine_ready}
    COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} cmd /c exit 0
    COMMENT "Setting up the Wine prefix ${CMAKE_BINARY_DIR}/wine"
    VERBATIM)
  add_custom_target(wine_prefix ALL DEPENDS ${vx_wine_ready})
endif()
