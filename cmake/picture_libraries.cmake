# The picture libraries. zlib compresses the PNG files the simulator writes, with its own small
# encoder, in every build; on Windows it is linked statically, so the simulator DLL needs nothing
# from MinGW at run time. libpng reads PNG files (the image check, the tests that decode
# pictures); Debian ships no libpng for MinGW-w64, so a Windows cross build goes without it and
# reads no pictures (simulator/gray_png_reader_unavailable.cpp).
if(WIN32)
  set(ZLIB_USE_STATIC_LIBS ON)
endif()
find_package(ZLIB REQUIRED)
if(WIN32 AND CMAKE_CROSSCOMPILING)
  find_package(PNG)
else()
  find_package(PNG REQUIRED)
endif()
