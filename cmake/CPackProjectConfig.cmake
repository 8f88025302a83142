# Read by cpack before it makes a package (CPACK_PROJECT_CONFIG_FILE).
#
# A package goes to users, and a client without the vendor's key verifies
# neither the offer nor the package it runs: such a package is refused unless
# the build (VANTREL_ALLOW_UNSIGNED=ON) or this cpack run
# (-D CPACK_VANTREL_ALLOW_UNSIGNED=ON) asks for one explicitly.
if(NOT CPACK_VANTREL_SIGNED AND NOT CPACK_VANTREL_ALLOW_UNSIGNED)
  message(FATAL_ERROR "This build has no package-signing key (VANTREL_PACKAGE_PUBLIC_KEY_FILE), "
                      "so its client would install whatever a network path sends it. Configure "
                      "with the vendor's key, or with VANTREL_ALLOW_UNSIGNED=ON for a test "
                      "package that must never reach users.")
endif()
include(${CPACK_VANTREL_DEPENDS_SCRIPT})
