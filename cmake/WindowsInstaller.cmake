# The per-user Windows installer: makensis (NSIS) packs the programs, their
# runtime, translation.dat and the vendor's key with
# deploy/windows/vantrel.nsi into Vantrel-<version>-setup.exe in the build
# tree. Like cpack on Linux, it is refused for a build without the key
# unless VANTREL_ALLOW_UNSIGNED is ON.
find_program(VANTREL_MAKENSIS NAMES makensis DOC "NSIS, which makes the Windows installer")
if(NOT VANTREL_MAKENSIS)
  message(FATAL_ERROR "makensis not found: scripts/bootstrap --windows installs nsis")
endif()
include(${PROJECT_SOURCE_DIR}/cmake/PackageKey.cmake)
include(ExternalProject)

# translation.dat is written by vantrel-dict, a tool for the build machine
# (it reads the .po files with libgettextpo and stores the texts through Qt),
# which this cross build cannot make. The same sources are configured for the
# build machine in a tree of their own below this one, which builds nothing
# but the dictionary: no Linux build tree is needed, and the file is the one
# the Linux package ships, byte for byte. That tree is unoptimised and takes
# no warnings as errors: the default preset judges that code, and this one
# only runs it once. It builds one job at a time, being one job of this
# build itself.
set(VANTREL_HOST_TOOLS_DIR ${CMAKE_BINARY_DIR}/host-tools)
set(VANTREL_HOST_DICTIONARY ${VANTREL_HOST_TOOLS_DIR}/bin/translation.dat)
ExternalProject_Add(vantrel_host_translations
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${VANTREL_HOST_TOOLS_DIR}
  PREFIX ${CMAKE_BINARY_DIR}/host-tools-steps
  CMAKE_ARGS -DCMAKE_BUILD_TYPE= -DVANTREL_TESTS=OFF -DVANTREL_BENCH=OFF
             -DVANTREL_WARNINGS_AS_ERRORS=OFF
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target vantrel_translations --parallel 1
  BUILD_BYPRODUCTS ${VANTREL_HOST_DICTIONARY}
  # Asked every time, so that a changed .po file reaches the installer.
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  LOG_CONFIGURE ON
  LOG_BUILD ON
  LOG_OUTPUT_ON_FAILURE ON)

# What the installer ships, in one folder: the programs and the runtime
# without their debug information (which makes them ten times the size; it
# stays in bin/), and translation.dat, also copied into bin/ beside the
# program as on Linux.
set(VANTREL_INSTALLER_FILES_DIR ${CMAKE_BINARY_DIR}/installer/files)
set(VANTREL_INSTALLER_FILES)
foreach(program vantrel vantrel-due vantrel-scheduled)
  set(_file ${VANTREL_INSTALLER_FILES_DIR}/${program}.exe)
  add_custom_command(
    OUTPUT ${_file}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VANTREL_INSTALLER_FILES_DIR}
    COMMAND ${CMAKE_STRIP} --strip-all -o ${_file} $<TARGET_FILE:${program}>
    DEPENDS ${program}
    VERBATIM)
  list(APPEND VANTREL_INSTALLER_FILES ${_file})
endforeach()
foreach(_dll IN LISTS VANTREL_WINDOWS_RUNTIME_DLLS)
  get_filename_component(_name "${_dll}" NAME)
  set(_file ${VANTREL_INSTALLER_FILES_DIR}/${_name})
  add_custom_command(
    OUTPUT ${_file}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VANTREL_INSTALLER_FILES_DIR}
    COMMAND ${CMAKE_STRIP} --strip-all -o ${_file} ${_dll}
    DEPENDS ${_dll}
    VERBATIM)
  list(APPEND VANTREL_INSTALLER_FILES ${_file})
endforeach()
add_custom_command(
  OUTPUT ${VANTREL_INSTALLER_FILES_DIR}/translation.dat
         ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/translation.dat
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VANTREL_INSTALLER_FILES_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy ${VANTREL_HOST_DICTIONARY}
          ${VANTREL_INSTALLER_FILES_DIR}/translation.dat
  COMMAND ${CMAKE_COMMAND} -E copy ${VANTREL_HOST_DICTIONARY}
          ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/translation.dat
  DEPENDS vantrel_host_translations ${VANTREL_HOST_DICTIONARY}
  COMMENT "Copying translation.dat from the build machine's tools"
  VERBATIM)
list(APPEND VANTREL_INSTALLER_FILES ${VANTREL_INSTALLER_FILES_DIR}/translation.dat)
add_custom_target(vantrel_installer_files DEPENDS ${VANTREL_INSTALLER_FILES})

# Adds the command that makes the installer <output>, shipping the key file
# <key> as package-key.pub; an empty <key> makes an installer that verifies
# nothing. The tests make one with a throwaway key of their own.
function(vantrel_windows_installer output key)
  set(_defines
    -DVERSION=${PROJECT_VERSION}
    -DFILES_DIR=${VANTREL_INSTALLER_FILES_DIR}
    -DOUT_FILE=${output}.part
    -DWEB_SITE=${VANTREL_WEB_SITE})
  if(key)
    list(APPEND _defines -DPACKAGE_KEY=${key})
  endif()
  # The scheduled check runs in the product's folder when the build names
  # one; otherwise the installer puts in the user's profile folder, the
  # stand-in that the systemd unit uses on Linux.
  if(VANTREL_PRODUCT_DIR)
    string(REPLACE "/" "\\" _product_dir "${VANTREL_PRODUCT_DIR}")
    list(APPEND _defines "-DPRODUCT_DIR=${_product_dir}")
  endif()
  get_filename_component(_name "${output}" NAME)
  add_custom_command(
    OUTPUT ${output}
    # -V2: warnings and errors only; -WX: a warning (a file left out, an
    # unused function) fails the build; -NOCONFIG: the machine's
    # nsisconf.nsh has no say.
    COMMAND ${VANTREL_MAKENSIS} -V2 -WX -NOCONFIG -INPUTCHARSET UTF8 ${_defines}
            ${PROJECT_SOURCE_DIR}/deploy/windows/vantrel.nsi
    COMMAND ${CMAKE_COMMAND} -E rename ${output}.part ${output}
    DEPENDS ${PROJECT_SOURCE_DIR}/deploy/windows/vantrel.nsi vantrel_installer_files
            ${VANTREL_INSTALLER_FILES} ${key}
    COMMENT "Making the installer ${_name}"
    VERBATIM)
endfunction()

set(VANTREL_INSTALLER ${CMAKE_BINARY_DIR}/Vantrel-${PROJECT_VERSION}-setup.exe)
vantrel_package_key(_vantrel_key)
if(_vantrel_key OR VANTREL_ALLOW_UNSIGNED)
  if(_vantrel_key)
    message(STATUS "The installer ships the key in ${_vantrel_key}")
  else()
    message(WARNING
      "\n*** VANTREL_ALLOW_UNSIGNED is ON and no VANTREL_PACKAGE_PUBLIC_KEY_FILE is set. ***\n"
      "The installer built here installs a program that verifies NOTHING it downloads: "
      "anyone between the update server and the user can make it offer and install any "
      "program at all, with the user's rights. Build it for a test machine only, never for "
      "users.")
  endif()
  vantrel_windows_installer(${VANTREL_INSTALLER} "${_vantrel_key}")
  add_custom_target(vantrel_installer ALL DEPENDS ${VANTREL_INSTALLER})
else()
  message(WARNING "VANTREL_PACKAGE_PUBLIC_KEY_FILE is not set: the installer is not built "
                  "(the target vantrel_installer refuses), since the program it installs would "
                  "verify nothing it downloads. Set it to the vendor's minisign public key for "
                  "a release (or VANTREL_ALLOW_UNSIGNED=ON for a test installer).")
  # An installer left by an earlier configuration (another key, or none
  # allowed) is not this build's.
  file(REMOVE ${VANTREL_INSTALLER})
  string(CONCAT _refusal
    "vantrel_installer: this build has no package-signing key "
    "(VANTREL_PACKAGE_PUBLIC_KEY_FILE), so the program it installs would run whatever a "
    "network path sends it. Configure with the vendor's key, or with "
    "VANTREL_ALLOW_UNSIGNED=ON for a test installer that must never reach users.")
  add_custom_target(vantrel_installer
    COMMAND ${CMAKE_COMMAND} -E echo "${_refusal}"
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
endif()
