mora_fuzzer(fuzz_eq_preset SOURCES ${CMAKE_CURRENT_LIST_DIR}/eq_preset_fuzz.cpp LIBS mora_audio)
