mora_test(test_audio_setup_tools SOURCES ${CMAKE_CURRENT_LIST_DIR}/setup_tools_test.cpp
  LIBS mora_audio LABELS core)
