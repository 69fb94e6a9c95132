# dist/windows: what a Windows machine needs to use the library and run the demo on the simulated
# card, gathered after every build (the windows preset puts it at dist/windows in the source tree).
set(QUORVEL_DIST_DIR ${CMAKE_BINARY_DIR}/dist/windows CACHE PATH
    "Folder that receives the Windows distribution")
set(dist_files
  $<TARGET_FILE:QuorvelWCHDLL>
  $<TARGET_LINKER_FILE:QuorvelWCHDLL>
  ${CMAKE_ARCHIVE_OUTPUT_DIRECTORY}/QuorvelWCHDLL.lib
  ${CMAKE_ARCHIVE_OUTPUT_DIRECTORY}/QuorvelWCHDLL.def
  ${PROJECT_SOURCE_DIR}/include/QuorvelWCHDLL.h
  $<TARGET_FILE:CH367DLL64>
  $<TARGET_FILE:demo>
  $<$<TARGET_EXISTS:dio>:$<TARGET_FILE:dio>>)
add_custom_target(dist ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUORVEL_DIST_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${dist_files} ${QUORVEL_DIST_DIR}
  COMMENT "Gathering the Windows distribution in ${QUORVEL_DIST_DIR}"
  VERBATIM)
add_dependencies(dist QuorvelWCHDLL msvc_import_library CH367DLL64 demo)
if(TARGET dio)
  add_dependencies(dist dio)
endif()
