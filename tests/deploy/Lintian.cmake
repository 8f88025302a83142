# Debian's package checker on the built package: any error or warning fails.
#   cmake -DLINTIAN=... -DPACKAGE_DIR=... -P Lintian.cmake
file(GLOB packages ${PACKAGE_DIR}/*.deb)
list(LENGTH packages count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one package in ${PACKAGE_DIR}, found: ${packages}")
endif()
# As root (CI containers) lintian complains on standard error unless told
# that it is meant.
set(as_root)
execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
if(uid STREQUAL "0")
  set(as_root --allow-root)
endif()
execute_process(COMMAND ${LINTIAN} ${as_root} --fail-on error,warning ${packages}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE result)
message("${out}${err}")
# The exit status alone would pass a lintian that stopped before checking.
if(NOT result EQUAL 0 OR out MATCHES "(^|\n)[EW]: " OR err MATCHES "(^|\n)[EW]: ")
  message(FATAL_ERROR "lintian found errors or warnings (status ${result})")
endif()
