# Where an installation puts the program, its tools and the desktop and
# scheduler integration, and the Debian package made from that.
#
# The program looks for its window module and translation.dat in its own
# directory (the target of /proc/self/exe), so the three are kept together
# under lib/vantrel; bin/vantrel is a relative link to the program, which
# keeps the tree relocatable (an unpacked package runs where it lies).

set(VANTREL_PROGRAM_DIR lib/vantrel)

install(TARGETS vantrel RUNTIME DESTINATION ${VANTREL_PROGRAM_DIR})
install(TARGETS vantrel_ui LIBRARY DESTINATION ${VANTREL_PROGRAM_DIR})
install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/translation.dat
        DESTINATION ${VANTREL_PROGRAM_DIR})

# The vendor's package-signing key goes beside the program, like
# translation.dat, but only into installations: the build tree's programs
# are the tests' and must not start verifying.
if(VANTREL_PACKAGE_PUBLIC_KEY_FILE)
  get_filename_component(_vantrel_key "${VANTREL_PACKAGE_PUBLIC_KEY_FILE}" ABSOLUTE
                         BASE_DIR "${PROJECT_SOURCE_DIR}")
  if(NOT EXISTS "${_vantrel_key}" OR IS_DIRECTORY "${_vantrel_key}")
    message(FATAL_ERROR "VANTREL_PACKAGE_PUBLIC_KEY_FILE: ${_vantrel_key} is not a file")
  endif()
  # A key the program cannot read would stop every installation, so its
  # shape is checked now: a comment line, then "Ed" + key id + key in base64.
  file(STRINGS "${_vantrel_key}" _vantrel_key_lines LIMIT_COUNT 3)
  list(LENGTH _vantrel_key_lines _vantrel_key_count)
  set(_vantrel_key_line "")
  if(_vantrel_key_count EQUAL 2)
    list(GET _vantrel_key_lines 1 _vantrel_key_line)
    string(STRIP "${_vantrel_key_line}" _vantrel_key_line)
  endif()
  if(NOT _vantrel_key_count EQUAL 2 OR NOT _vantrel_key_lines MATCHES "^untrusted comment: "
     OR NOT _vantrel_key_line MATCHES "^RW[A-Za-z0-9+/]+$")
    message(FATAL_ERROR "VANTREL_PACKAGE_PUBLIC_KEY_FILE: ${_vantrel_key} is not a minisign "
                        "public key (made with: minisign -G -p <file>)")
  endif()
  string(LENGTH "${_vantrel_key_line}" _vantrel_key_length)
  if(NOT _vantrel_key_length EQUAL 56)
    message(FATAL_ERROR "VANTREL_PACKAGE_PUBLIC_KEY_FILE: ${_vantrel_key} is not a minisign "
                        "public key (its key line has ${_vantrel_key_length} characters, not 56)")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_vantrel_key}")
  install(FILES "${_vantrel_key}" DESTINATION ${VANTREL_PROGRAM_DIR} RENAME package-key.pub
          PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  message(STATUS "Packages are verified with the key in ${_vantrel_key}")
else()
  message(WARNING "VANTREL_PACKAGE_PUBLIC_KEY_FILE is not set: this build does not verify the "
                  "packages it downloads before it opens them. Set it to the vendor's minisign "
                  "public key for a release.")
endif()

set(_vantrel_links ${CMAKE_BINARY_DIR}/install-links)
file(MAKE_DIRECTORY ${_vantrel_links})
file(CREATE_LINK ../${VANTREL_PROGRAM_DIR}/vantrel ${_vantrel_links}/vantrel SYMBOLIC)
install(FILES ${_vantrel_links}/vantrel DESTINATION bin)

# The vendor's and translators' tools, and the scheduler's question.
install(TARGETS vantrel-reply vantrel-dict vantrel-fetch vantrel-due vantrel-sample-library
        RUNTIME DESTINATION bin)

foreach(size 16 32 48 256)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/pictures/vantrel${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME vantrel.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/deploy/desktop/vantrel.desktop DESTINATION share/applications)

# The service names the tools by absolute path, so it is written at install
# time for the prefix actually installed to (/usr in the package).
set(_vantrel_unit ${CMAKE_BINARY_DIR}/deploy/systemd/vantrel.service)
install(CODE "
  set(VANTREL_BIN_DIR \"\${CMAKE_INSTALL_PREFIX}/bin\")
  set(VANTREL_DOC_DIR \"\${CMAKE_INSTALL_PREFIX}/share/doc/vantrel\")
  configure_file(\"${PROJECT_SOURCE_DIR}/deploy/systemd/vantrel.service.in\"
                 \"${_vantrel_unit}\" @ONLY)
")
install(FILES ${_vantrel_unit} ${PROJECT_SOURCE_DIR}/deploy/systemd/vantrel.timer
        DESTINATION lib/systemd/user)
install(FILES ${PROJECT_SOURCE_DIR}/deploy/systemd/README.md
        DESTINATION share/doc/vantrel RENAME README.systemd.md)

# No INSTALL_RPATH is set on any target: every library the binaries link
# comes from the system's own directories, and the build tree's RPATH (if
# any) is dropped on installation.

# `cpack` makes the package from what is already built (CI builds everything
# first; the package test depends on the installed targets) instead of
# rebuilding every test and benchmark on the way.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VENDOR "Orbisk")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Update client for Orbisk")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Vantrel checks the vendor's update server for a new version of Orbisk, "
    "downloads it with resume, and hands it to the product's installer. It runs "
    "without a window unless something is offered, and can be started daily by "
    "its systemd user timer.")
set(CPACK_PACKAGE_CONTACT "${VANTREL_SUPPORT_EMAIL}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Orbisk support <${VANTREL_SUPPORT_EMAIL}>")
# The service is configured from CMAKE_INSTALL_PREFIX at install time, which
# must then be the package's /usr, not the staging directory: hence an
# installation into DESTDIR with the prefix the package has.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)
# Debug information stays in the build tree.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VANTREL_WEB_SITE}")
# Depends: from the libraries the installed binaries link (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
