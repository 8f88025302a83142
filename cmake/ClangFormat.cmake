# The formatter the tree is kept with. Only clang-format 14 (Debian 12's) is
# accepted: other versions lay out the same .clang-format differently, and the
# check would fail on files nobody touched.
find_program(VANTREL_CLANG_FORMAT NAMES clang-format-14
             DOC "clang-format 14, which the formatting check and the format target run")

set(VANTREL_CLANG_FORMAT_USABLE FALSE)
if(VANTREL_CLANG_FORMAT)
  execute_process(COMMAND ${VANTREL_CLANG_FORMAT} --version
                  OUTPUT_VARIABLE _clang_format_version ERROR_QUIET)
  if(_clang_format_version MATCHES "version 14\\.")
    set(VANTREL_CLANG_FORMAT_USABLE TRUE)
  else()
    message(STATUS "${VANTREL_CLANG_FORMAT} is not clang-format 14: "
                   "the formatting check is skipped and there is no format target")
  endif()
else()
  message(STATUS "clang-format-14 not found (scripts/bootstrap installs it): "
                 "the formatting check is skipped and there is no format target")
endif()

# `cmake --build build --target format` rewrites every source in place.
if(VANTREL_CLANG_FORMAT_USABLE)
  add_custom_target(format
    COMMAND ${CMAKE_COMMAND} -DCLANG_FORMAT=${VANTREL_CLANG_FORMAT}
            -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DEXCLUDE_DIR=${PROJECT_BINARY_DIR} -DMODE=fix
            -P ${PROJECT_SOURCE_DIR}/cmake/RunClangFormat.cmake
    COMMENT "Formatting every C++ source with clang-format 14"
    VERBATIM)
endif()
