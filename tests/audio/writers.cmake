mora_test(test_audio_writers
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/wav_writer_test.cpp ${CMAKE_CURRENT_LIST_DIR}/bwf_test.cpp
  LIBS mora_audio LABELS core)
