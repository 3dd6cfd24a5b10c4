mora_test(test_cli_audio_devices SOURCES ${CMAKE_CURRENT_LIST_DIR}/audio_device_commands_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_runner.cpp LIBS mora_audio_test_util
  LABELS core ENV "MORA_CLI=$<TARGET_FILE:mora-cli>")
target_link_libraries(test_cli_audio_devices PRIVATE nlohmann_json::nlohmann_json)
add_dependencies(test_cli_audio_devices mora-cli)
