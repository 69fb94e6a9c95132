# The release archive, made by CPack from the install rules (cpack in the build directory, or
# the `package` target): QuorvelWCHDLL-<version>-win64.zip from the Windows build,
# QuorvelWCHDLL-<version>-linux-x86_64.tar.gz from the Linux one, each with one top folder of
# the same name. They land in <build>/packages.
set(CPACK_PACKAGE_NAME QuorvelWCHDLL)
set(CPACK_PACKAGE_VENDOR Quorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
else()
  set(CPACK_GENERATOR TGZ)
  set(CPACK_SYSTEM_NAME linux-x86_64)
endif()
set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
