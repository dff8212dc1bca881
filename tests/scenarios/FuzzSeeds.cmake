# Runs the program on random scenarios written by fuzz/generate.py from the
# seeds in SEEDS (a list): each run must exit with code 0 and print nothing
# that tells of an escaping failure. The generated files and transcripts go
# to WORK.
foreach(seed IN LISTS SEEDS)
  set(scn ${WORK}/fuzz_seed_${seed}.scn)
  execute_process(COMMAND ${PYTHON} ${GENERATOR} ${seed} ${scn} --statements ${STATEMENTS}
    RESULT_VARIABLE code ERROR_VARIABLE err)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "seed ${seed}: the generator failed (${code}):\n${err}")
  endif()
  execute_process(COMMAND ${GAVELRY} --scenario ${scn} --transcript ${WORK}/fuzz_seed_${seed}.transcript
    RESULT_VARIABLE code ERROR_VARIABLE err TIMEOUT 60)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "seed ${seed}: exit ${code}, expected 0 (scenario ${scn})\n${err}")
  endif()
  string(REGEX MATCH "[Ee]xception|terminate|ASSERT|runtime error|Sanitizer" bad "${err}")
  if(bad)
    message(FATAL_ERROR "seed ${seed}: standard error tells of a failure (scenario ${scn})\n${err}")
  endif()
endforeach()
