# The picture libraries. zlib compresses the PNG files the simulator writes, with its own small
# encoder, in every build; on Windows it is linked statically, so the simulator DLL needs nothing
# from MinGW at run time. libpng reads PNG files (the image check, the tests that decode
# pictures); Debian ships no libpng for MinGW-w64, so a Windows cross build goes without it and
# reads no pictures (simulator/gray_png_reader_unavailable.cpp), and so does a Linux build of
# the demo alone on a machine without libpng.
if(WIN32)
  set(ZLIB_USE_STATIC_LIBS ON)
endif()
find_package(ZLIB REQUIRED)
# The configure step already required libpng where the tests or dio are built.
find_package(PNG QUIET)
