# Read by cpack before it makes the Debian package (CPACK_PROJECT_CONFIG_FILE):
# fills Depends from the libraries the package's binaries link, as
# dpkg-shlibdeps finds them, so that CPack's own run (which would also add
# ldconfig calls) is not needed. The binaries are the build tree's: the
# package holds the same files, only stripped.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
find_program(_shlibdeps dpkg-shlibdeps REQUIRED)
# dpkg-shlibdeps insists on a debian/control in its working directory.
file(MAKE_DIRECTORY ${CPACK_VANTREL_DEPENDS_WORK_DIR}/debian)
file(WRITE ${CPACK_VANTREL_DEPENDS_WORK_DIR}/debian/control "")
execute_process(
  COMMAND ${_shlibdeps} --ignore-missing-info -O ${CPACK_VANTREL_DEPENDS_BINARIES}
  WORKING_DIRECTORY ${CPACK_VANTREL_DEPENDS_WORK_DIR}
  OUTPUT_VARIABLE _shlibdeps_out
  ERROR_VARIABLE _shlibdeps_err
  RESULT_VARIABLE _shlibdeps_result
  OUTPUT_STRIP_TRAILING_WHITESPACE)
# A package without its Depends would install and then fail to start: stop.
if(NOT _shlibdeps_result EQUAL 0 OR NOT _shlibdeps_out MATCHES "^shlibs:Depends=(.+)$")
  message(FATAL_ERROR "dpkg-shlibdeps failed (${_shlibdeps_result}):\n"
                      "${_shlibdeps_out}\n${_shlibdeps_err}")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
