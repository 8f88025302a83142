# Makes the Debian package from the built tree, for the tests that unpack it:
#   cmake -DBUILD_DIR=... -DPACKAGE_DIR=... -DCPACK=... [-DALLOW_UNSIGNED=ON]
#         -P BuildPackage.cmake
# An old package is removed first, so that a failed cpack run cannot leave
# the tests looking at yesterday's package.
file(GLOB old ${PACKAGE_DIR}/*.deb)
if(old)
  file(REMOVE ${old})
endif()
# The suite's own build has no key (its programs are the tests'): its package
# is a test package, and says so to cpack. A vendor's build packages as is.
set(allow)
if(ALLOW_UNSIGNED)
  set(allow -D CPACK_VANTREL_ALLOW_UNSIGNED=ON)
endif()
execute_process(COMMAND ${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake ${allow}
                WORKING_DIRECTORY ${BUILD_DIR}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed (${result})")
endif()
file(GLOB made ${PACKAGE_DIR}/*.deb)
list(LENGTH made count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one package in ${PACKAGE_DIR}, found: ${made}")
endif()
