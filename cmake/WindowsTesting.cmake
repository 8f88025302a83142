# Windows tests: GoogleTest cross-built from Debian's sources, the programs run
# under Wine through a generated wrapper (wine-run in the build tree), and one
# wineserver kept for the whole CTest run, since each start without it costs
# about two seconds.
find_program(VANTREL_WINE NAMES wine DOC "Wine, which runs the Windows tests")
find_program(VANTREL_WINESERVER NAMES wineserver DOC "Wine's server")
find_program(VANTREL_WINEBOOT NAMES wineboot DOC "Wine's prefix set-up")
if(NOT VANTREL_WINE OR NOT VANTREL_WINESERVER OR NOT VANTREL_WINEBOOT)
  message(FATAL_ERROR "Wine not found: scripts/bootstrap --windows installs it")
endif()

set(VANTREL_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)

add_test(NAME wine_server_start COMMAND ${CMAKE_BINARY_DIR}/wine-run --start-server)
add_test(NAME wine_server_stop COMMAND ${CMAKE_BINARY_DIR}/wine-run --stop-server)
# The first start may make the prefix.
set_tests_properties(wine_server_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 120)
set_tests_properties(wine_server_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)

# GoogleTest is not ours to judge: it is compiled without the project's
# warning flags, which its sources were not written for.
set(BUILD_GMOCK OFF CACHE BOOL "Build GoogleMock for the Windows tests")
set(INSTALL_GTEST OFF CACHE BOOL "Install GoogleTest with the Windows build")
set(gtest_force_shared_crt ON CACHE BOOL "GoogleTest uses the same C runtime as the tests")
get_directory_property(_vantrel_compile_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${_vantrel_compile_options}")
# GoogleTest's targets are GTest::gtest and GTest::gtest_main, the names the
# Linux build's find_package(GTest) gives, so a test directory can serve both.

include(GoogleTest)

# Adds a GoogleTest program whose cases CTest lists one by one. They are
# listed when CTest starts rather than after the build, so that building
# needs no Wine; every case runs with the run's wineserver, and with the
# further FIXTURES, ENVIRONMENT and RESOURCE_LOCK given after the sources
# (tests that share the prefix's HKEY_CURRENT_USER\Vantrel lock "hkcu_vantrel").
# RUN_SERIAL runs each case alone, for cases that change what every other
# test shares: the user's state key, the programs in the user's folder.
function(vantrel_windows_add_test name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "RUN_SERIAL" "" "FIXTURES;ENVIRONMENT;RESOURCE_LOCK")
  add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  vantrel_windows_runtime(${name})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    NO_PRETTY_VALUES
    TEST_LIST ${name}_TESTS)
  # The cases' properties are set by a script that CTest reads after the
  # discovery: the discovery itself loses the separators of list values
  # (two fixtures, two variables).
  set(fixtures wine ${ARG_FIXTURES})
  set(serial FALSE)
  if(ARG_RUN_SERIAL)
    set(serial TRUE)
  endif()
  set(properties "${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake")
  file(WRITE "${properties}"
       "foreach(test IN LISTS ${name}_TESTS)\n"
       "  set_tests_properties(\"\${test}\" PROPERTIES\n"
       "    FIXTURES_REQUIRED \"${fixtures}\" ENVIRONMENT \"${ARG_ENVIRONMENT}\"\n"
       "    RESOURCE_LOCK \"${ARG_RESOURCE_LOCK}\" RUN_SERIAL ${serial})\n"
       "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${properties}")
endfunction()
