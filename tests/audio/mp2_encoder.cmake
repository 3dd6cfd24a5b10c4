mora_test(test_mp2_encoder
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/resampler_test.cpp ${CMAKE_CURRENT_LIST_DIR}/mp2_encoder_test.cpp
  LIBS mora_audio LABELS core)
