# CMake package of QuorvelWCHDLL for Windows: the imported target QuorvelWCHDLL::QuorvelWCHDLL,
# the DLL with its header. MSVC and clang-cl link through QuorvelWCHDLL.lib, MinGW-w64 through
# libQuorvelWCHDLL.dll.a. The simulator of the bridge driver (simulator/) is not part of it.
get_filename_component(_quorvel_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
if(NOT TARGET QuorvelWCHDLL::QuorvelWCHDLL)
  add_library(QuorvelWCHDLL::QuorvelWCHDLL SHARED IMPORTED)
  if(MSVC)
    set(_quorvel_import_library "${_quorvel_prefix}/lib/QuorvelWCHDLL.lib")
  else()
    set(_quorvel_import_library "${_quorvel_prefix}/lib/libQuorvelWCHDLL.dll.a")
  endif()
  set_target_properties(QuorvelWCHDLL::QuorvelWCHDLL PROPERTIES
    IMPORTED_LOCATION "${_quorvel_prefix}/bin/QuorvelWCHDLL.dll"
    IMPORTED_IMPLIB "${_quorvel_import_library}"
    INTERFACE_INCLUDE_DIRECTORIES "${_quorvel_prefix}/include")
  unset(_quorvel_import_library)
endif()
unset(_quorvel_prefix)
set(QuorvelWCHDLL_FOUND TRUE)
