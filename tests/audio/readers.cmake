mora_test(test_audio_readers
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/audio_fixtures.cpp ${CMAKE_CURRENT_LIST_DIR}/wav_reader_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mp2_reader_test.cpp ${CMAKE_CURRENT_LIST_DIR}/playback_converter_test.cpp
  LIBS mora_audio LABELS core)
