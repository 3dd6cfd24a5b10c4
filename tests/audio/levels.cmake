mora_test(test_audio_levels SOURCES ${CMAKE_CURRENT_LIST_DIR}/level_meter_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/input_processing_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/level_file_test.cpp
  LIBS mora_audio LABELS core)
