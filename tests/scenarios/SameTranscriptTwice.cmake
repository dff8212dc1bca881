# Runs gavelry twice on the same scenario and requires the two transcripts
# to be identical byte for byte.
get_filename_component(name ${SCENARIO} NAME_WE)
foreach(run a b)
  execute_process(COMMAND ${GAVELRY} --scenario ${SCENARIO} --transcript ${WORK}/${name}.${run}.transcript
    RESULT_VARIABLE code ERROR_VARIABLE err)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "run ${run}: exit code ${code}\n${err}")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/${name}.a.transcript ${WORK}/${name}.b.transcript
  RESULT_VARIABLE differ)
if(differ)
  message(FATAL_ERROR "two runs of ${SCENARIO} wrote different transcripts")
endif()
file(STRINGS ${WORK}/${name}.a.transcript lines)
list(LENGTH lines count)
if(count LESS 10)
  message(FATAL_ERROR "the run shows too little to compare (${count} lines)")
endif()
