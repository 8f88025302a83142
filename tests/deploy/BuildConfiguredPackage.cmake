# Makes the Debian package a vendor's release build makes: configured with a
# product directory and a package-signing key, built apart from the suite's
# own tree (its programs would otherwise find the key and start verifying).
#   cmake -DSOURCE_DIR=... -DBUILD_DIR=... -DPRODUCT_DIR=... -DGENERATOR=... -DCPACK=...
#         -P BuildConfiguredPackage.cmake
# The package lands in BUILD_DIR/package.
# Only what the package holds is built, without optimisation: the package's
# layout and its configured paths are under test here, not its speed.
file(MAKE_DIRECTORY ${BUILD_DIR})
set(key ${BUILD_DIR}/vendor-key.pub)
if(NOT EXISTS ${key})
  find_program(MINISIGN minisign REQUIRED)
  execute_process(COMMAND ${MINISIGN} -G -W -f -p ${key} -s ${BUILD_DIR}/vendor-key.sec
                  RESULT_VARIABLE result OUTPUT_QUIET)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "minisign could not make the vendor's key (${result})")
  endif()
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BUILD_DIR} -G ${GENERATOR}
                        -DCMAKE_BUILD_TYPE= -DVANTREL_TESTS=OFF -DVANTREL_BENCH=OFF
                        -DVANTREL_PRODUCT_DIR=${PRODUCT_DIR}
                        -DVANTREL_PACKAGE_PUBLIC_KEY_FILE=${key}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "configuring the vendor's build failed (${result})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the vendor's build failed (${result})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${BUILD_DIR} -DPACKAGE_DIR=${BUILD_DIR}/package
                        -DCPACK=${CPACK} -P ${CMAKE_CURRENT_LIST_DIR}/BuildPackage.cmake
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "packaging the vendor's build failed (${result})")
endif()
