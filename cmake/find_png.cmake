# libpng, for the simulator's panel pictures and the tests that read them back. Debian ships no
# libpng for MinGW-w64, so a Windows cross build goes without: there the simulator writes no
# pictures (simulator/display_png_unavailable.cpp) and the picture tests are left out.
if(WIN32 AND CMAKE_CROSSCOMPILING)
  find_package(PNG)
else()
  find_package(PNG REQUIRED)
endif()
