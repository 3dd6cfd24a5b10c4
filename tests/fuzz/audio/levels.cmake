mora_fuzzer(fuzz_level_file SOURCES ${CMAKE_CURRENT_LIST_DIR}/level_file_fuzz.cpp
  LIBS mora_audio mora_test_support)
