# What a build needs beyond a host compiler, CMake and Ninja, checked before anything uses it, so
# that a missing tool or library stops the configure step with one line that names its Debian
# package rather than a trace from deep inside CMake. A failed check sets QUORVEL_MISSING_PACKAGE
# to that line (the first failure wins); CMakeLists.txt reports it.

set(QUORVEL_MISSING_PACKAGE "")

# quorvel_require(PACKAGE PROGRAM name): a program on PATH (or in Wine's own folder).
# quorvel_require(PACKAGE FILE glob): a file that only the package installs.
# quorvel_require(PACKAGE CMAKE name [args]): a CMake package; its imported targets, found here,
# serve the whole tree.
# quorvel_require(COMMAND SOURCE file): a file that a command of ours fetches.
function(quorvel_require package kind what)
  set(how "install it with: apt-get install -y ${package}")
  if(kind STREQUAL "PROGRAM")
    find_program(found NAMES ${what} PATHS /usr/lib/wine NO_CACHE)
  elseif(kind STREQUAL "FILE" OR kind STREQUAL "SOURCE")
    file(GLOB found ${what})
    if(kind STREQUAL "SOURCE")
      set(how "fetch it with: ${package}")
    endif()
  else()
    find_package(${what} ${ARGN} QUIET)
    set(found ${${what}_FOUND})
    set(what "CMake package ${what}")
  endif()
  if(NOT found AND NOT QUORVEL_MISSING_PACKAGE)
    set(QUORVEL_MISSING_PACKAGE "${what} not found; ${how}" PARENT_SCOPE)
  endif()
endfunction()

set(QUORVEL_HTTPLIB_SOURCE_DIR /usr/local/src/cpp-httplib CACHE PATH
    "Where tools/fetch-httplib-source.sh put the single-header cpp-httplib (Windows build)")

# The compilers and the tools of the cross and fuzz builds, before project() looks for them.
macro(quorvel_check_compilers)
  if(CMAKE_TOOLCHAIN_FILE MATCHES "mingw-w64")
    quorvel_require(g++-mingw-w64-x86-64 PROGRAM x86_64-w64-mingw32-g++-posix)
    quorvel_require(wine64 PROGRAM wine64)
    quorvel_require(googletest FILE /usr/src/googletest/CMakeLists.txt)
    # Header-only libraries taken from the build machine, and the MSVC-ABI consumer's tools.
    quorvel_require(libstb-dev FILE /usr/include/stb/stb_image_write.h)
    quorvel_require(libcli11-dev FILE /usr/include/CLI/CLI.hpp)
    quorvel_require(nlohmann-json3-dev FILE /usr/include/nlohmann/json.hpp)
    quorvel_require(tools/fetch-httplib-source.sh SOURCE
                    ${QUORVEL_HTTPLIB_SOURCE_DIR}/httplib.h)
    quorvel_require(clang-14 PROGRAM clang-14)
    quorvel_require(lld-14 PROGRAM lld-link-14)
  endif()
  if(QUORVEL_FUZZ)
    quorvel_require(clang-14 PROGRAM clang++-14)
    quorvel_require(libclang-rt-14-dev FILE
                    /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a)
  endif()
endmacro()

# The libraries and tools of the parts this configuration builds.
macro(quorvel_check_libraries)
  if(NOT CMAKE_CROSSCOMPILING)
    if(QUORVEL_BUILD_TESTS OR QUORVEL_BUILD_TOOLS)
      quorvel_require(libstb-dev FILE /usr/include/stb/stb_image_write.h)
      quorvel_require(libpng-dev CMAKE PNG)
    endif()
    if(QUORVEL_BUILD_TESTS)
      quorvel_require(libgtest-dev CMAKE GTest)
      quorvel_require(libgmock-dev FILE /usr/include/gmock/gmock.h)
      quorvel_require(imagemagick PROGRAM convert)
    endif()
    if(QUORVEL_BUILD_TOOLS)
      quorvel_require(libcli11-dev CMAKE CLI11 CONFIG)
      quorvel_require(libcpp-httplib-dev FILE /usr/include/httplib.h)
      quorvel_require(nlohmann-json3-dev CMAKE nlohmann_json 3 CONFIG)
    endif()
    if(QUORVEL_BUILD_BENCHMARKS AND NOT QUORVEL_SANITIZE AND NOT QUORVEL_FUZZ)
      quorvel_require(libbenchmark-dev CMAKE benchmark)
    endif()
  endif()
endmacro()
