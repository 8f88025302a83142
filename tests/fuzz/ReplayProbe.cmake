# Runs the replay driver over one probe corpus and checks how it ended:
#   cmake -DREPLAY=exe -DCORPUS=dir -DEXPECT=pass|fail -DMATCH=regex -P ReplayProbe.cmake
# A failure must be the expected one, and must not also claim a full replay.
execute_process(COMMAND ${REPLAY} ${CORPUS} RESULT_VARIABLE result OUTPUT_VARIABLE output
                ERROR_VARIABLE output)
if(EXPECT STREQUAL "pass")
  set(ended_right FALSE)
  if(result EQUAL 0)
    set(ended_right TRUE)
  endif()
else()
  set(ended_right TRUE)
  if(result EQUAL 0 OR output MATCHES "Replayed [0-9]+ inputs")
    set(ended_right FALSE)
  endif()
endif()
if(NOT ended_right OR NOT output MATCHES "${MATCH}")
  message(FATAL_ERROR "expected to ${EXPECT} with output matching '${MATCH}', "
                      "ended with '${result}':\n${output}")
endif()
