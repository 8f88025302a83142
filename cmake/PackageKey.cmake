# The vendor's key (VANTREL_PACKAGE_PUBLIC_KEY_FILE), checked once for every
# package that ships it: the Debian package (cmake/Packaging.cmake) and the
# Windows installer (cmake/WindowsInstaller.cmake).
#
# vantrel_package_key(<var>) sets <var> to the key file's absolute path, or
# to "" when no key is configured. A key the program cannot read would stop
# every installation from verifying anything, so its shape is checked now: a
# comment line, then "Ed" + key id + key in base64.
function(vantrel_package_key out)
  if(NOT VANTREL_PACKAGE_PUBLIC_KEY_FILE)
    set(${out} "" PARENT_SCOPE)
    return()
  endif()
  get_filename_component(_key "${VANTREL_PACKAGE_PUBLIC_KEY_FILE}" ABSOLUTE
                         BASE_DIR "${PROJECT_SOURCE_DIR}")
  if(NOT EXISTS "${_key}" OR IS_DIRECTORY "${_key}")
    message(FATAL_ERROR "VANTREL_PACKAGE_PUBLIC_KEY_FILE: ${_key} is not a file")
  endif()
  file(STRINGS "${_key}" _lines LIMIT_COUNT 3)
  list(LENGTH _lines _count)
  set(_line "")
  if(_count EQUAL 2)
    list(GET _lines 1 _line)
    string(STRIP "${_line}" _line)
  endif()
  if(NOT _count EQUAL 2 OR NOT _lines MATCHES "^untrusted comment: "
     OR NOT _line MATCHES "^RW[A-Za-z0-9+/]+$")
    message(FATAL_ERROR "VANTREL_PACKAGE_PUBLIC_KEY_FILE: ${_key} is not a minisign "
                        "public key (made with: minisign -G -p <file>)")
  endif()
  string(LENGTH "${_line}" _length)
  if(NOT _length EQUAL 56)
    message(FATAL_ERROR "VANTREL_PACKAGE_PUBLIC_KEY_FILE: ${_key} is not a minisign "
                        "public key (its key line has ${_length} characters, not 56)")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_key}")
  set(${out} "${_key}" PARENT_SCOPE)
endfunction()
