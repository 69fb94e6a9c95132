# run(COMMAND...): runs a command, stops the script with its output when it fails, and leaves
# what it printed in `output`.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
                  ERROR_VARIABLE errors)
  if(NOT result EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "failed (${result}): ${command}\n${output}${errors}")
  endif()
  set(output "${output}" PARENT_SCOPE)
endfunction()
