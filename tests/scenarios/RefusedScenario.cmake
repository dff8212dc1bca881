# Runs gavelry on a bad scenario file. The file's first line is
# "# error: TEXT": the run must exit with code 2, print one message that
# contains FILE:TEXT, and write no transcript.
file(STRINGS ${SCENARIO} first LIMIT_COUNT 1)
string(REGEX REPLACE "^# error: " "" wanted "${first}")
execute_process(COMMAND ${GAVELRY} --scenario ${SCENARIO}
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT code EQUAL 2)
  message(FATAL_ERROR "exit code ${code}, expected 2\n${err}")
endif()
if(NOT out STREQUAL "")
  message(FATAL_ERROR "something ran:\n${out}")
endif()
string(FIND "${err}" "${SCENARIO}:${wanted}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "message '${err}' does not contain '${SCENARIO}:${wanted}'")
endif()
