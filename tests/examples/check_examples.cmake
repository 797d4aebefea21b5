# Runs the examples' generator into WORK and compares each file it writes, byte for byte, with
# the committed one in EXAMPLES.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${GENERATOR} ${WORK} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the generator failed: ${status}")
endif()
foreach(name c60_ideal.xyz c60_distorted.xyz c70.xyz c84.xyz sc3n_c80.xyz c60_toluene_pcbm.xyz)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/${name} ${EXAMPLES}/${name}
                  RESULT_VARIABLE different)
  if(different)
    message(FATAL_ERROR "examples/${name} differs from what ovalon-generate-examples writes")
  endif()
endforeach()
