# Windows programs built here run under Wine: CMake prepends CMAKE_CROSSCOMPILING_EMULATOR to
# every test command that names a program target, and GoogleTest's test discovery uses it too.
# The emulator is build/<preset>/run_under_wine.sh, which keeps Wine quiet and headless in its
# own prefix inside the build directory. The prefix is created once, at build time; ctest starts
# the Wine session before it discovers tests, because the first program of a session waits several
# seconds for Wine's services, longer than test discovery allows.
find_program(QUORVEL_WINE64 NAMES wine64 PATHS /usr/lib/wine REQUIRED)
find_program(QUORVEL_WINESERVER NAMES wineserver PATHS /usr/lib/wine REQUIRED)
set(QUORVEL_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/run_under_wine.sh)
configure_file(${CMAKE_CURRENT_LIST_DIR}/run_under_wine.sh.in ${CMAKE_CROSSCOMPILING_EMULATOR}
               @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
               GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(wine_prefix_stamp ${CMAKE_BINARY_DIR}/wineprefix.stamp)
set(create_wine_prefix ${CMAKE_BINARY_DIR}/create_wine_prefix.sh)
configure_file(${CMAKE_CURRENT_LIST_DIR}/create_wine_prefix.sh.in ${create_wine_prefix} @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
               WORLD_READ WORLD_EXECUTE)
add_custom_command(OUTPUT ${wine_prefix_stamp}
  COMMAND ${create_wine_prefix}
  COMMAND ${CMAKE_COMMAND} -E touch ${wine_prefix_stamp}
  DEPENDS ${create_wine_prefix}
  COMMENT "Creating the Wine prefix for the tests (once)"
  VERBATIM)
add_custom_target(wine_prefix ALL DEPENDS ${wine_prefix_stamp})

file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/CTestCustom.cmake
     CONTENT "set(CTEST_CUSTOM_PRE_TEST \"${CMAKE_CROSSCOMPILING_EMULATOR} cmd /c exit\")\n")
