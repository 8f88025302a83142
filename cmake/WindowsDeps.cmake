# The libraries mingw-w64 does not come with (libsodium, libjpeg-turbo) are
# cross-built from Debian's sources into this build tree before anything looks
# for them. The first configure of a tree takes a few minutes; later ones find
# the versions already built and return at once.
if(NOT VANTREL_WINDOWS_DEPS_PREFIX STREQUAL "${CMAKE_BINARY_DIR}/deps/prefix")
  message(FATAL_ERROR "scripts/windows-deps installs into ${CMAKE_BINARY_DIR}/deps/prefix, "
                      "but VANTREL_WINDOWS_DEPS_PREFIX is ${VANTREL_WINDOWS_DEPS_PREFIX}")
endif()
execute_process(
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/scripts/windows-deps ${CMAKE_BINARY_DIR}
  RESULT_VARIABLE _windows_deps_result)
if(NOT _windows_deps_result EQUAL 0)
  message(FATAL_ERROR "scripts/windows-deps failed (${_windows_deps_result}); "
                      "scripts/bootstrap --windows installs what it needs")
endif()
