# The library's export names, from include/exports.txt (one a line): the one list that the
# Windows export definitions and the export checks are made from.
set(QUORVEL_EXPORT_LIST ${PROJECT_SOURCE_DIR}/include/exports.txt)

# Sets `out_var` to the export names; CMake configures again when the list changes.
function(quorvel_export_names out_var)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${QUORVEL_EXPORT_LIST})
  file(STRINGS ${QUORVEL_EXPORT_LIST} names)
  set(${out_var} ${names} PARENT_SCOPE)
endfunction()
