# The header-only libraries dio builds with: CLI11 (its command line), nlohmann-json (the card as
# JSON) and cpp-httplib (`dio view`'s web server). A native build uses Debian's CMake packages and
# Debian's cpp-httplib library. The Windows cross build takes the same headers from the build
# machine, cpp-httplib in its single-header form (tools/fetch-httplib-source.sh): only each
# library's own folder or file is put on the include path, through a link in the build tree,
# never the build machine's /usr/include as a whole.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(CLI11 CONFIG REQUIRED)
  find_package(nlohmann_json 3 CONFIG REQUIRED)
  find_path(HTTPLIB_INCLUDE_DIR httplib.h REQUIRED)
  find_library(HTTPLIB_LIBRARY cpp-httplib REQUIRED)
  add_library(httplib::httplib INTERFACE IMPORTED)
  target_include_directories(httplib::httplib SYSTEM INTERFACE ${HTTPLIB_INCLUDE_DIR})
  target_link_libraries(httplib::httplib INTERFACE ${HTTPLIB_LIBRARY})
  return()
endif()

# `target`: an interface target whose include path holds `entry` (a header or a folder of them)
# from the build machine's `folder`.
function(quorvel_host_headers target folder entry)
  string(MAKE_C_IDENTIFIER ${target} name)
  set(include ${CMAKE_BINARY_DIR}/host_headers/${name})
  file(MAKE_DIRECTORY ${include})
  file(CREATE_LINK ${folder}/${entry} ${include}/${entry} SYMBOLIC)
  add_library(${target} INTERFACE IMPORTED)
  target_include_directories(${target} SYSTEM INTERFACE ${include})
endfunction()

quorvel_host_headers(CLI11::CLI11 /usr/include CLI)
quorvel_host_headers(nlohmann_json::nlohmann_json /usr/include nlohmann)
quorvel_host_headers(httplib::httplib ${QUORVEL_HTTPLIB_SOURCE_DIR} httplib.h)
target_link_libraries(httplib::httplib INTERFACE ws2_32)
