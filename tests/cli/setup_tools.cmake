mora_test(test_cli_setup_tools SOURCES ${CMAKE_CURRENT_LIST_DIR}/setup_tools_commands_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_runner.cpp LIBS mora_settings
  LABELS core ENV "MORA_CLI=$<TARGET_FILE:mora-cli>")
target_link_libraries(test_cli_setup_tools PRIVATE nlohmann_json::nlohmann_json)
add_dependencies(test_cli_setup_tools mora-cli)
