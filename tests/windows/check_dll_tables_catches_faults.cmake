# Proves that check_dll_tables.cmake rejects the faults it is there for: it takes the built DLL's
# tables, plants one fault at a time, and fails unless the check accepts the tables as built and
# rejects every planted fault.
#
#   cmake -DOBJDUMP=<objdump> -DMODULE=<QuorvelWCHDLL.dll> -DCHECK=<check_dll_tables.cmake>
#         -DWORK_DIR=<dir> -DEXPORT_LIST=... -DSAME_ADDRESS=... -DIMPORT_DEF=... -P <this file>
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE built_dump COMMAND_ERROR_IS_FATAL ANY)
set(check_options -DEXPORT_LIST=${EXPORT_LIST} -DSAME_ADDRESS=${SAME_ADDRESS}
                  -DIMPORT_DEF=${IMPORT_DEF})
set(failures "")

# Runs the check on `dump`; sets `accepted` in the caller to whether it passed.
function(run_check name dump)
  set(dump_file ${WORK_DIR}/${name}.objdump.txt)
  file(WRITE ${dump_file} "${dump}")
  execute_process(COMMAND ${CMAKE_COMMAND} -DDUMP_FILE=${dump_file} ${check_options} -P ${CHECK}
                  RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
  if(result EQUAL 0)
    set(accepted TRUE PARENT_SCOPE)
  else()
    set(accepted FALSE PARENT_SCOPE)
  endif()
endfunction()

# Plants the fault `name` by applying each following pair of regular expression and replacement
# to the tables in turn, and records a failure unless the check rejects the result. (The pairs
# are read one argument at a time: their brackets would upset a CMake list.)
function(expect_rejected name)
  set(dump "${built_dump}")
  math(EXPR last "${ARGC} - 1")
  foreach(pattern_index RANGE 1 ${last} 2)
    math(EXPR replacement_index "${pattern_index} + 1")
    set(before "${dump}")
    string(REGEX REPLACE "${ARGV${pattern_index}}" "${ARGV${replacement_index}}" dump "${dump}")
    if(dump STREQUAL before)
      list(APPEND failures "${name}: nothing planted, '${ARGV${pattern_index}}' is not in the tables")
    endif()
  endforeach()
  run_check(${name} "${dump}")
  if(accepted)
    list(APPEND failures "${name}: accepted")
  endif()
  set(failures "${failures}" PARENT_SCOPE)
endfunction()

run_check(as_built "${built_dump}")
if(NOT accepted)
  list(APPEND failures "the tables as built are rejected")
endif()
expect_rejected(misspelled_export "] DIOClearOLEDImm\n" "] DioClearOLEDImm\n")
expect_rejected(missing_export "\n[ \t]*\\[ *[0-9]+\\] DioStep\n" "\n")
expect_rejected(extra_export "] DioWriteSPI\n" "] DioWriteSPI\n\t[  56] DioDebugDump\n")
expect_rejected(reset_apart_from_halt
  "] DioReset\n" "] @swap@\n" "] DioResetDDS\n" "] DioReset\n" "@swap@" "DioResetDDS")
expect_rejected(runtime_dll_import "DLL Name: msvcrt.dll" "DLL Name: libstdc++-6.dll")
expect_rejected(wrong_driver_import "CH367ReadIoByte" "CH367ReadIoWord")

if(failures)
  list(JOIN failures "\n  " failures)
  message(FATAL_ERROR "The DLL table check misses faults:\n  ${failures}")
endif()
message(STATUS "The DLL table check rejects every planted fault")
