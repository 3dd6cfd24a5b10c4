# Build helpers shared by every folder: warnings, sanitizers, libraries, tests and fuzzers.

# ccache, when present, makes rebuilds cheap, also in another clone of the tree: paths are taken
# relative to the source folder and the build folder is left out of the hash.
find_program(MORA_CCACHE ccache)
if(MORA_CCACHE)
  set(MORA_LAUNCHER ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${PROJECT_SOURCE_DIR} CCACHE_NOHASHDIR=1
    ${MORA_CCACHE})
  set(CMAKE_C_COMPILER_LAUNCHER ${MORA_LAUNCHER})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${MORA_LAUNCHER})
endif()

if(MORA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# libFuzzer needs the code under test instrumented for coverage, not only the fuzz target.
if(MORA_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Warnings on our own code only; third-party headers come in as system headers. They are errors
# in the developers' and CI presets (MORA_WERROR), not in a user's or packager's build, where a
# newer compiler's new warning must not stop the build.
function(mora_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(MORA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# mora_library(NAME src...): a static library of ours; includes are written from the repo root
# ("stream/jstream.h").
function(mora_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  mora_warnings(${name})
endfunction()

find_package(GTest REQUIRED)
find_package(nlohmann_json 3 REQUIRED)

# mora_test(NAME SOURCES a.cpp ... LIBS lib ... [LABELS core ...] [ENV K=V ...] [TIMEOUT s])
# One GoogleTest executable, registered as one ctest test. Label "core" marks tests that the
# sanitizer build runs.
function(mora_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} mora_test_support GTest::gtest GTest::gtest_main)
  mora_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}"
    ENVIRONMENT "MORA_SOURCE_DIR=${PROJECT_SOURCE_DIR};${T_ENV}")
endfunction()

# mora_fuzzer(NAME SOURCES a.cpp ... LIBS lib ...)
# With MORA_FUZZ (clang): a libFuzzer binary. Otherwise the same entry point is linked with a
# small driver that feeds it seeded random and truncated inputs, and runs as a ctest test, so
# every reader's fuzz target is exercised in every build (and under the sanitizers).
function(mora_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  mora_warnings(${name})
  if(MORA_FUZZ)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    # seeds_NAME DIR writes the target's seed inputs, the corpus a libFuzzer run starts from.
    add_executable(seeds_${name} ${F_SOURCES} ${PROJECT_SOURCE_DIR}/tests/fuzz/seed_writer.cpp)
    target_link_libraries(seeds_${name} PRIVATE ${F_LIBS})
  else()
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/fuzz/standalone_driver.cpp)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 300 LABELS "core;fuzz")
  endif()
endfunction()
