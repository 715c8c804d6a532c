# Runs one scenario script through the headless driver in a fresh records directory.
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR})
execute_process(
  COMMAND ${QUIBBLIX} --headless --seed 7 --records-dir ${WORKDIR} ${SCRIPT}
  RESULT_VARIABLE rc
  OUTPUT_FILE ${WORKDIR}/dumps.jsonl
  ERROR_VARIABLE err
  TIMEOUT 120)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "scenario failed (${rc}): ${err}")
endif()
