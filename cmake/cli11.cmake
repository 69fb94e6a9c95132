# CLI11, header-only. A native build uses its CMake package. The Windows cross build takes the
# same headers from the build machine: only their own folder is put on the include path (through
# a link in the build tree), never the build machine's /usr/include as a whole.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(CLI11 CONFIG REQUIRED)
  return()
endif()
find_path(CLI11_HEADERS CLI/CLI.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
          REQUIRED)
set(cli11_include ${CMAKE_BINARY_DIR}/host_headers/cli11)
file(MAKE_DIRECTORY ${cli11_include})
file(CREATE_LINK ${CLI11_HEADERS}/CLI ${cli11_include}/CLI SYMBOLIC)
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${cli11_include})
