# Gives a DLL target a version resource: file and product version from the project version,
# product name, and `description`.
function(quorvel_add_version_resource target description)
  set(resource_module ${target})
  set(resource_description ${description})
  set(resource_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${resource_file} @ONLY)
  target_sources(${target} PRIVATE ${resource_file})
endfunction()
