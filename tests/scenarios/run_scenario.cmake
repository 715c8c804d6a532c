# Runs one scenario script through the headless driver in a fresh records directory. A script
# that ends the program says so in a line "# ends the program"; any other script must run to
# its last line.
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
file(STRINGS ${SCRIPT} marker REGEX "^# ends the program")
file(READ ${WORKDIR}/dumps.jsonl dumps)
string(FIND "${dumps}" "\"ended\": true" ended)
if(marker AND ended EQUAL -1)
  message(FATAL_ERROR "the program was expected to end")
elseif(NOT marker AND NOT ended EQUAL -1)
  message(FATAL_ERROR "the program ended before the script's last line")
endif()
