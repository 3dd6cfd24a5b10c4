mora_test(test_cli_publish SOURCES ${CMAKE_CURRENT_LIST_DIR}/publish_commands_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_runner.cpp ${PROJECT_SOURCE_DIR}/tests/audio/audio_fixtures.cpp
  LIBS mora_audio LABELS core ENV "MORA_CLI=$<TARGET_FILE:mora-cli>")
add_dependencies(test_cli_publish mora-cli)
