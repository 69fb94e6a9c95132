# The Windows release archive's layout: bin/ (the DLL, dio.exe), include/, lib/ (both import
# libraries and the .def, the CMake package), simulator/ (the bridge simulator, kept apart from
# bin/ so nobody ships it next to a program meant for the card), recorder/ (the bus recorder and
# its page), examples/ and README.txt.
install(TARGETS QuorvelWCHDLL RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
if(TARGET dio)
  install(TARGETS dio RUNTIME DESTINATION bin)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/include/QuorvelWCHDLL.h DESTINATION include)
install(FILES ${CMAKE_ARCHIVE_OUTPUT_DIRECTORY}/QuorvelWCHDLL.lib
              ${CMAKE_ARCHIVE_OUTPUT_DIRECTORY}/QuorvelWCHDLL.def
        DESTINATION lib)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/QuorvelWCHDLLConfigVersion.cmake
  COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/windows/QuorvelWCHDLLConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/QuorvelWCHDLLConfigVersion.cmake
        DESTINATION lib/cmake/QuorvelWCHDLL)
install(TARGETS CH367DLL64 RUNTIME DESTINATION simulator)
# The recorder has the driver's name too, so it gets a folder of its own, with its page.
install(TARGETS ch367_recorder RUNTIME DESTINATION recorder)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/windows/recorder-README.txt.in
               ${CMAKE_CURRENT_BINARY_DIR}/recorder/README.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/recorder/README.txt DESTINATION recorder)
install(FILES ${PROJECT_SOURCE_DIR}/examples/demo.c ${PROJECT_SOURCE_DIR}/examples/logo.bmp
        DESTINATION examples/c)
install(FILES ${PROJECT_SOURCE_DIR}/examples/csharp/LoadPattern.cs ${PROJECT_SOURCE_DIR}/csharp/Dio.cs
        DESTINATION examples/csharp)
install(FILES ${PROJECT_SOURCE_DIR}/examples/python/load_pattern.py DESTINATION examples/python)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/python/quorvel DESTINATION examples/python
        FILES_MATCHING PATTERN "*.py")
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/windows/README.txt.in
               ${CMAKE_CURRENT_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt DESTINATION .)
