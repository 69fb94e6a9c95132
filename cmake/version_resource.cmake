# Gives a DLL target a version resource: file and product version from the project version,
# product name, and `description`; its file name is the target's output name.
function(quorvel_add_version_resource target description)
  get_target_property(resource_module ${target} OUTPUT_NAME)
  if(NOT resource_module)
    set(resource_module ${target})
  endif()
  set(resource_description ${description})
  set(resource_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${resource_file} @ONLY)
  target_sources(${target} PRIVATE ${resource_file})
endfunction()
