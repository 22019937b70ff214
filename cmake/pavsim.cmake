# Helpers shared by every folder's CMakeLists.txt.

# pavsim_library(NAME [SOURCES ...] [DEPS ...]): one static library per folder;
# its headers are included as "<folder>/<header>.h" from src/. Without SOURCES,
# every .cpp file of the folder is a source.
function(pavsim_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  if(NOT ARG_SOURCES)
    file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
endfunction()

# pavsim_test(NAME [SOURCES ...] [DEPS ...] [LABELS ...]): one GoogleTest
# executable per folder (by default every .cpp file of the folder), registered
# with CTest under the label "unit" unless LABELS says otherwise. TEST_DATA_DIR
# points at tests/data.
function(pavsim_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  if(NOT ARG_LABELS)
    set(ARG_LABELS unit)
  endif()
  if(NOT ARG_SOURCES)
    file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data"
    TEST_BINARY_DIR="${CMAKE_BINARY_DIR}")
  # Parameterised cases keep the names their generators give them: the values
  # would print as raw bytes, which differ from one build to the next.
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    NO_PRETTY_VALUES
    PROPERTIES LABELS "${ARG_LABELS}")
endfunction()

# Debian's reference BLAS build, by its full path: tests and benchmarks compare
# the library's kernels with it, and the alternatives link libblas.so.3 may point
# at an optimised library that rounds differently. The build path is also put in
# the executables' run path, so the loader finds this same file.
set(PAVSIM_REFERENCE_BLAS /usr/lib/x86_64-linux-gnu/blas/libblas.so.3 CACHE FILEPATH
    "Reference BLAS shared library that the kernel tests and benchmarks compare with")

# Debian's reference LAPACK build, by its full path, for tests that compare the
# project's solvers with it (it calls the reference BLAS above).
set(PAVSIM_REFERENCE_LAPACK /usr/lib/x86_64-linux-gnu/lapack/liblapack.so.3 CACHE FILEPATH
    "Reference LAPACK shared library that the solver tests compare with")
