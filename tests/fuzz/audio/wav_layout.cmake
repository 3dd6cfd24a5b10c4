mora_fuzzer(fuzz_wav_layout SOURCES ${CMAKE_CURRENT_LIST_DIR}/wav_layout_fuzz.cpp LIBS mora_platform_audio)
