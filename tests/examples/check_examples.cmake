# Runs a generator of the examples into WORK and compares each file of NAMES that it writes,
# byte for byte, with the committed one in EXAMPLES. A generator that reads the examples folder
# (INPUT set) gets it as its first argument.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${GENERATOR} ${INPUT} ${WORK} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the generator failed: ${status}")
endif()
foreach(name ${NAMES})
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/${name} ${EXAMPLES}/${name}
                  RESULT_VARIABLE different)
  if(different)
    message(FATAL_ERROR "examples/${name} differs from what ${GENERATOR} writes")
  endif()
endforeach()
