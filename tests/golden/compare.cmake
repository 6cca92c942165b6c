# Runs zorvan-batch on INPUT and compares its output with EXPECTED byte for byte.
execute_process(COMMAND ${BATCH} --data ${DATA}
  INPUT_FILE ${INPUT} OUTPUT_FILE ${ACTUAL} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "zorvan-batch exited with ${status}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${ACTUAL} ${EXPECTED} RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "${ACTUAL} differs from ${EXPECTED}")
endif()
