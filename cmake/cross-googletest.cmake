# GoogleTest for cross builds. Debian ships GoogleTest prebuilt only for the
# build machine, so for another target it is compiled from its sources
# (Debian package googletest) with the target's compiler. Provides the same
# targets as find_package(GTest): GTest::gtest, GTest::gtest_main,
# GTest::gmock and GTest::gmock_main.
set(VEXTOR_GOOGLETEST_SOURCE_DIR /usr/src/googletest
    CACHE PATH "GoogleTest sources used by cross builds")
if(NOT EXISTS ${VEXTOR_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR
    "No GoogleTest sources in ${VEXTOR_GOOGLETEST_SOURCE_DIR}: install the "
    "Debian package googletest (scripts/install-deps) or set "
    "VEXTOR_GOOGLETEST_SOURCE_DIR.")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
# The Windows threading primitives, not the winpthreads emulation.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)

# The project's warnings-as-errors options are for its own code only.
get_directory_property(vx_saved_compile_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
add_subdirectory(${VEXTOR_GOOGLETEST_SOURCE_DIR}
                 ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${vx_saved_compile_options}")

# GoogleTest's own build defines the GTest:: names as aliases.

# The test programs' entry point. On Windows it switches the standard
# streams to binary mode: test discovery parses the test list line by line,
# and output captured by a test compares with LF line ends, as on POSIX.
if(WIN32)
  set_property(TARGET gtest_main PROPERTY SOURCES
               ${PROJECT_SOURCE_DIR}/tests/platform/windows_test_main.cpp)
endif()

include(${CMAKE_CURRENT_LIST_DIR}/wine-prefix.cmake)

# Test programs can only be asked for their tests when they are run, under
# the emulator, at test time.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
