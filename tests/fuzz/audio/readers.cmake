mora_fuzzer(fuzz_wav_reader SOURCES ${CMAKE_CURRENT_LIST_DIR}/wav_reader_fuzz.cpp
  LIBS mora_audio mora_test_support)
mora_fuzzer(fuzz_mp2_reader SOURCES ${CMAKE_CURRENT_LIST_DIR}/mp2_reader_fuzz.cpp
  LIBS mora_audio mora_test_support)
