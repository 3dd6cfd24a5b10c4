mora_test(test_audio_levels SOURCES ${CMAKE_CURRENT_LIST_DIR}/level_meter_test.cpp
  LIBS mora_audio LABELS core)
