# What a build needs beyond a host compiler, CMake and Ninja, checked before anything uses it, so
# that a missing tool or library stops the configure step with one line that names its Debian
# package rather than a trace from deep inside CMake. Each check sets QUORVEL_MISSING_PACKAGE to
# that line when it fails (the first failure wins); CMakeLists.txt reports it.

set(QUORVEL_MISSING_PACKAGE "")

function(quorvel_report_missing package what)
  if(NOT QUORVEL_MISSING_PACKAGE)
    set(QUORVEL_MISSING_PACKAGE
        "${what} not found; install it with: apt-get install -y ${package}" PARENT_SCOPE)
  endif()
endfunction()

# A program on PATH (or in Wine's own folder).
function(quorvel_require_program package program)
  find_program(found NAMES ${program} PATHS /usr/lib/wine NO_CACHE)
  if(NOT found)
    quorvel_report_missing(${package} "${program}")
    set(QUORVEL_MISSING_PACKAGE "${QUORVEL_MISSING_PACKAGE}" PARENT_SCOPE)
  endif()
endfunction()

# A file that only the package installs (a glob where the path holds a version).
function(quorvel_require_file package pattern)
  file(GLOB found ${pattern})
  if(NOT found)
    quorvel_report_missing(${package} "${pattern}")
    set(QUORVEL_MISSING_PACKAGE "${QUORVEL_MISSING_PACKAGE}" PARENT_SCOPE)
  endif()
endfunction()

# A CMake package; found here, its imported targets serve the whole tree.
function(quorvel_require_package package name)
  find_package(${name} ${ARGN} QUIET)
  if(NOT ${name}_FOUND)
    quorvel_report_missing(${package} "CMake package ${name}")
    set(QUORVEL_MISSING_PACKAGE "${QUORVEL_MISSING_PACKAGE}" PARENT_SCOPE)
  endif()
endfunction()

# The compilers, before project() looks for them.
macro(quorvel_check_compilers)
  if(CMAKE_TOOLCHAIN_FILE MATCHES "mingw-w64")
    quorvel_require_program(g++-mingw-w64-x86-64 x86_64-w64-mingw32-g++-posix)
    quorvel_require_program(wine64 wine64)
    quorvel_require_file(libz-mingw-w64-dev /usr/x86_64-w64-mingw32/lib/libz.a)
    quorvel_require_file(googletest /usr/src/googletest/CMakeLists.txt)
  endif()
  if(QUORVEL_FUZZ)
    quorvel_require_program(clang-14 clang++-14)
    quorvel_require_file(libclang-rt-14-dev
                         /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a)
  endif()
endmacro()

# The libraries and tools of the parts this configuration builds.
macro(quorvel_check_libraries)
  if(NOT CMAKE_CROSSCOMPILING)
    quorvel_require_file(zlib1g-dev /usr/include/zlib.h)
    if(QUORVEL_BUILD_TESTS OR QUORVEL_BUILD_TOOLS)
      quorvel_require_package(libpng-dev PNG)
    endif()
    if(QUORVEL_BUILD_TESTS)
      quorvel_require_package(libgtest-dev GTest)
      if(NOT TARGET GTest::gmock)
        quorvel_report_missing(libgmock-dev "GoogleMock (GTest::gmock)")
      endif()
      quorvel_require_program(imagemagick convert)
    endif()
    if(QUORVEL_BUILD_TOOLS)
      quorvel_require_package(libcli11-dev CLI11 CONFIG)
    endif()
    if(QUORVEL_BUILD_BENCHMARKS AND NOT QUORVEL_SANITIZE AND NOT QUORVEL_FUZZ)
      quorvel_require_package(libbenchmark-dev benchmark)
    endif()
  endif()
endmacro()
