# Installs the build into a fresh prefix, then builds the consumer program against the installed
# tree with the CMake package and with pkg-config, and runs both on the installed simulator.
# Variables: BUILD_DIR, CONSUMER_DIR, WORK_DIR, LIBDIR, GENERATOR, C_COMPILER.
set(prefix ${WORK_DIR}/prefix)
set(expected "consumer: 32 data lines\n")
file(REMOVE_RECURSE ${WORK_DIR})

include(${CMAKE_CURRENT_LIST_DIR}/run_checked.cmake)

function(run_consumer program)
  run(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${prefix}/${LIBDIR} ${program})
  if(NOT output STREQUAL expected)
    message(FATAL_ERROR "${program} printed '${output}', expected '${expected}'")
  endif()
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

# find_package(QuorvelWCHDLL)
set(cmake_build ${WORK_DIR}/cmake-consumer)
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${cmake_build} -G ${GENERATOR}
    -DCMAKE_C_COMPILER=${C_COMPILER} -DCMAKE_PREFIX_PATH=${prefix})
run(${CMAKE_COMMAND} --build ${cmake_build})
run_consumer(${cmake_build}/consumer)

# pkg-config quorvelwchdll
run(${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${prefix}/${LIBDIR}/pkgconfig
    pkg-config --cflags --libs quorvelwchdll)
separate_arguments(flags UNIX_COMMAND "${output}")
run(${C_COMPILER} ${CONSUMER_DIR}/consumer.c ${flags} -o ${WORK_DIR}/pkg-config-consumer)
run_consumer(${WORK_DIR}/pkg-config-consumer)

message(STATUS "installed tree works through find_package and pkg-config")
