mora_test(test_cli_project SOURCES ${CMAKE_CURRENT_LIST_DIR}/project_commands_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_runner.cpp ${PROJECT_SOURCE_DIR}/tests/project/project_fixture.cpp
  LIBS mora_project LABELS core ENV "MORA_CLI=$<TARGET_FILE:mora-cli>")
target_link_libraries(test_cli_project PRIVATE nlohmann_json::nlohmann_json)
add_dependencies(test_cli_project mora-cli)
