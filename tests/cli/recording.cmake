mora_test(test_cli_recording SOURCES ${CMAKE_CURRENT_LIST_DIR}/recording_commands_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_runner.cpp ${PROJECT_SOURCE_DIR}/tests/audio/audio_fixtures.cpp
  LIBS mora_audio LABELS core ENV "MORA_CLI=$<TARGET_FILE:mora-cli>")
target_link_libraries(test_cli_recording PRIVATE nlohmann_json::nlohmann_json)
add_dependencies(test_cli_recording mora-cli)
