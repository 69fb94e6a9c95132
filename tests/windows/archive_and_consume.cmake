# The Windows release archive as a user gets it: CPack makes the zip, it is unpacked and its
# layout checked, its dio.exe runs without a driver, then the consumer project is built against
# it with find_package(QuorvelWCHDLL) and the MinGW-w64 toolchain, and run under Wine on the
# archive's simulator.
# Variables: BUILD_DIR, CONSUMER_DIR, WORK_DIR, TOOLCHAIN, GENERATOR, WINE, ARCHIVE_NAME, PICTURE
# (a PNG file for dio.exe to convert).
set(expected "consumer: 32 data lines\n")
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

include(${CMAKE_CURRENT_LIST_DIR}/../packaging/run_checked.cmake)

run(${CMAKE_COMMAND} -E chdir ${BUILD_DIR} cpack)
set(zip ${BUILD_DIR}/packages/${ARCHIVE_NAME}.zip)
run(${CMAKE_COMMAND} -E chdir ${WORK_DIR} ${CMAKE_COMMAND} -E tar xf ${zip})
set(root ${WORK_DIR}/${ARCHIVE_NAME})

set(layout
  README.txt
  bin/QuorvelWCHDLL.dll bin/dio.exe
  include/QuorvelWCHDLL.h
  lib/QuorvelWCHDLL.lib lib/libQuorvelWCHDLL.dll.a lib/QuorvelWCHDLL.def
  lib/cmake/QuorvelWCHDLL/QuorvelWCHDLLConfig.cmake
  lib/cmake/QuorvelWCHDLL/QuorvelWCHDLLConfigVersion.cmake
  simulator/CH367DLL64.dll
  recorder/CH367DLL64.dll recorder/README.txt
  examples/c/demo.c examples/csharp/LoadPattern.cs examples/csharp/Dio.cs
  examples/python/load_pattern.py examples/python/quorvel/__init__.py)
foreach(file IN LISTS layout)
  if(NOT EXISTS ${root}/${file})
    message(FATAL_ERROR "${ARCHIVE_NAME}.zip has no ${file}")
  endif()
endforeach()
file(GLOB bin_files RELATIVE ${root}/bin ${root}/bin/*)
if(NOT bin_files STREQUAL "QuorvelWCHDLL.dll;dio.exe")
  message(FATAL_ERROR "bin/ holds ${bin_files}: only the library and dio belong there")
endif()

# dio.exe as unpacked, with no driver anywhere: the commands without the card work, and one that
# needs the card says in one line what is missing and fails as a card that cannot be opened does.
set(no_driver ${WORK_DIR}/no_driver)
file(MAKE_DIRECTORY ${no_driver})
file(COPY ${PICTURE} DESTINATION ${no_driver})
get_filename_component(picture ${PICTURE} NAME)
set(dio ${root}/bin/dio.exe)
execute_process(COMMAND ${WINE} ${dio} --help WORKING_DIRECTORY ${no_driver}
                RESULT_VARIABLE result OUTPUT_VARIABLE output)
if(NOT result EQUAL 0 OR NOT output MATCHES "^Drives the Quorvel")
  message(FATAL_ERROR "dio.exe --help without a driver: exit ${result}, '${output}'")
endif()
execute_process(COMMAND ${WINE} ${dio} convert ${picture} converted.bmp
                WORKING_DIRECTORY ${no_driver} RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0 OR NOT EXISTS ${no_driver}/converted.bmp)
  message(FATAL_ERROR "dio.exe convert without a driver: exit ${result}, '${errors}'")
endif()
execute_process(COMMAND ${WINE} ${dio} info WORKING_DIRECTORY ${no_driver}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
string(REPLACE "\r\n" "\n" errors "${errors}")
if(NOT result EQUAL 1 OR NOT output STREQUAL "" OR NOT errors MATCHES
   "^dio: info: CH367DLL64.dll, the card's driver library, was not found: [^\n]*simulator.CH367DLL64.dll[^\n]*\n$")
  message(FATAL_ERROR "dio.exe info without a driver: exit ${result}, '${output}${errors}'")
endif()

# The project's toolchain, with packages allowed outside the MinGW sysroot (the archive).
file(WRITE ${WORK_DIR}/toolchain.cmake
     "include(${TOOLCHAIN})\nset(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)\n")
set(consumer_build ${WORK_DIR}/consumer-build)
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${consumer_build} -G ${GENERATOR}
    -DCMAKE_TOOLCHAIN_FILE=${WORK_DIR}/toolchain.cmake -DCMAKE_PREFIX_PATH=${root})
run(${CMAKE_COMMAND} --build ${consumer_build})

# As the readme says: the library beside the program, and the simulator for a run without card.
file(COPY ${root}/bin/QuorvelWCHDLL.dll ${root}/simulator/CH367DLL64.dll
     DESTINATION ${consumer_build})
run(${WINE} ${consumer_build}/consumer.exe)
string(REPLACE "\r\n" "\n" output "${output}")
if(NOT output STREQUAL expected)
  message(FATAL_ERROR "consumer.exe printed '${output}', expected '${expected}'")
endif()
message(STATUS "${ARCHIVE_NAME}.zip unpacks to the expected layout and works with find_package")
