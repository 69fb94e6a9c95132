# Checks the dynamic symbols of the built library: it defines exactly the export names listed in
# the export list, and leaves exactly the five bridge driver functions to be imported.
# Run as: cmake -DNM=nm -DLIBRARY=libQuorvelWCHDLL.so -DEXPORTS=exports.txt -P this-file
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY} OUTPUT_VARIABLE defined
                COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${NM} -D --undefined-only ${LIBRARY} OUTPUT_VARIABLE undefined
                COMMAND_ERROR_IS_FATAL ANY)

function(symbol_names text pattern out)
  string(REGEX MATCHALL "[^\n]+" lines "${text}")
  set(names)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE ".* " "" name "${line}")
    if(name MATCHES "${pattern}")
      list(APPEND names ${name})
    endif()
  endforeach()
  list(SORT names)
  set(${out} "${names}" PARENT_SCOPE)
endfunction()

# Every defined dynamic symbol counts, whatever its name: nothing but the exports may be there.
symbol_names("${defined}" "." exported)
file(STRINGS ${EXPORTS} expected)
list(SORT expected)
if(NOT exported STREQUAL expected)
  message(FATAL_ERROR "exported names differ from the export list\n got: ${exported}\n want: ${expected}")
endif()

symbol_names("${undefined}" "^CH367" imported)
set(bridge CH367CloseDevice CH367GetIoBaseAddr CH367OpenDevice CH367ReadIoByte CH367WriteIoByte)
if(NOT imported STREQUAL bridge)
  message(FATAL_ERROR "bridge imports differ\n got: ${imported}\n want: ${bridge}")
endif()
