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
include(${PROJECT_SOURCE_DIR}/cmake/PackageKey.cmake)
vantrel_package_key(_vantrel_key)
if(_vantrel_key)
  install(FILES "${_vantrel_key}" DESTINATION ${VANTREL_PROGRAM_DIR} RENAME package-key.pub
          PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  message(STATUS "Packages are verified with the key in ${_vantrel_key}")
  set(CPACK_VANTREL_SIGNED ON)
elseif(VANTREL_ALLOW_UNSIGNED)
  message(WARNING
    "\n*** VANTREL_ALLOW_UNSIGNED is ON and no VANTREL_PACKAGE_PUBLIC_KEY_FILE is set. ***\n"
    "The program and package built here verify NOTHING they download: anyone between the "
    "update server and the user (a public network, a proxy, a rewritten DNS answer) can make "
    "it offer and install any program at all, with the user's rights. Build such a package "
    "for a test machine only, never for users.")
  set(CPACK_VANTREL_SIGNED OFF)
else()
  message(WARNING "VANTREL_PACKAGE_PUBLIC_KEY_FILE is not set: the programs built here do not "
                  "verify the offers and packages they download, and cpack refuses to make a "
                  "package of them. Set it to the vendor's minisign public key for a release "
                  "(or VANTREL_ALLOW_UNSIGNED=ON for a test package).")
  set(CPACK_VANTREL_SIGNED OFF)
endif()
set(CPACK_VANTREL_ALLOW_UNSIGNED ${VANTREL_ALLOW_UNSIGNED})

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
# The desktop entry and the service run the program in the product's
# directory when the build names one; a desktop otherwise starts it in the
# home directory, and the service's stand-in is the home directory too.
set(VANTREL_DESKTOP_ENTRY ${CMAKE_BINARY_DIR}/deploy/desktop/vantrel.desktop)
file(READ ${PROJECT_SOURCE_DIR}/deploy/desktop/vantrel.desktop _vantrel_entry)
if(VANTREL_PRODUCT_DIR)
  string(APPEND _vantrel_entry "Path=${VANTREL_PRODUCT_DIR}\n")
  set(VANTREL_SERVICE_WORKING_DIRECTORY "${VANTREL_PRODUCT_DIR}")
else()
  set(VANTREL_SERVICE_WORKING_DIRECTORY "%h")
endif()
file(WRITE ${VANTREL_DESKTOP_ENTRY} "${_vantrel_entry}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/deploy/desktop/vantrel.desktop)
install(FILES ${VANTREL_DESKTOP_ENTRY} DESTINATION share/applications)

# The service names the tools by absolute path, so it is written at install
# time for the prefix actually installed to (/usr in the package).
set(_vantrel_unit ${CMAKE_BINARY_DIR}/deploy/systemd/vantrel.service)
install(CODE "
  set(VANTREL_BIN_DIR \"\${CMAKE_INSTALL_PREFIX}/bin\")
  set(VANTREL_DOC_DIR \"\${CMAKE_INSTALL_PREFIX}/share/doc/vantrel\")
  set(VANTREL_SERVICE_WORKING_DIRECTORY \"${VANTREL_SERVICE_WORKING_DIRECTORY}\")
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
# One line of the control file's description each: dpkg shows them as
# written, and lintian wants them under 80 columns.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Vantrel checks the vendor's update server for a new version of Orbisk,\n"
    "downloads it with resume, and hands it to the product's installer. It\n"
    "runs without a window unless something is offered, and can be started\n"
    "daily by its systemd user timer.")
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

# --- Debian policy: copyright, changelog, Depends without ldconfig --------
# The package documents itself as Debian expects of any package: a
# machine-readable copyright file and a changelog (the package is native to
# its vendor, hence changelog.gz rather than changelog.Debian.gz).
find_program(GZIP gzip REQUIRED)
set(_vantrel_debian ${CMAKE_BINARY_DIR}/debian)
configure_file(${PROJECT_SOURCE_DIR}/deploy/debian/copyright ${_vantrel_debian}/copyright @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/deploy/debian/changelog.in ${_vantrel_debian}/changelog @ONLY)
add_custom_command(OUTPUT ${_vantrel_debian}/changelog.gz
  COMMAND ${GZIP} -9nc ${_vantrel_debian}/changelog > ${_vantrel_debian}/changelog.gz.part
  COMMAND ${CMAKE_COMMAND} -E rename ${_vantrel_debian}/changelog.gz.part
          ${_vantrel_debian}/changelog.gz
  DEPENDS ${_vantrel_debian}/changelog
  COMMENT "Debian changelog"
  VERBATIM)
add_custom_target(vantrel_debian_changelog ALL DEPENDS ${_vantrel_debian}/changelog.gz)
install(FILES ${_vantrel_debian}/copyright ${_vantrel_debian}/changelog.gz
        DESTINATION share/doc/vantrel)

# Depends: from the libraries the installed binaries link. CPack's own
# dpkg-shlibdeps run would also add ldconfig calls to postinst and postrm,
# only because the window module lies below /usr/lib; it is private to
# /usr/lib/vantrel and loaded by path, so nothing needs the linker cache.
# The same dpkg-shlibdeps run is therefore made by DebianDepends.cmake.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
# (CPackConfig.cmake is written without generator expressions: the paths
# are spelled out.)
set(CPACK_VANTREL_DEPENDS_BINARIES ${CMAKE_LIBRARY_OUTPUT_DIRECTORY}/libvantrel-ui.so)
foreach(program vantrel vantrel-reply vantrel-dict vantrel-fetch vantrel-due vantrel-sample-library)
  list(APPEND CPACK_VANTREL_DEPENDS_BINARIES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${program})
endforeach()
set(CPACK_VANTREL_DEPENDS_WORK_DIR ${CMAKE_BINARY_DIR}/debian/shlibdeps)
set(CPACK_VANTREL_DEPENDS_SCRIPT ${PROJECT_SOURCE_DIR}/cmake/DebianDepends.cmake)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/CPackProjectConfig.cmake)
# ---------------------------------------------------------------------------
include(CPack)
