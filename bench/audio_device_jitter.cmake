# Buffer-done jitter and CPU time of the audio device layer through the sound server, beside
# parecord. Starts a private PulseAudio daemon when no sound server answers.
add_executable(bench_audio_device_jitter ${CMAKE_CURRENT_LIST_DIR}/audio_device_jitter.cpp
  ${PROJECT_SOURCE_DIR}/tests/platform/audio/pulse_daemon.cpp)
target_link_libraries(bench_audio_device_jitter PRIVATE mora_platform_audio mora_test_support)
mora_warnings(bench_audio_device_jitter)
