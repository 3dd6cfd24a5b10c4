mora_test(test_cli_engine SOURCES ${CMAKE_CURRENT_LIST_DIR}/engine_commands_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_runner.cpp ${PROJECT_SOURCE_DIR}/tests/engine/engine_rig.cpp
  LIBS mora_engine LABELS core ENV "MORA_CLI=$<TARGET_FILE:mora-cli>")
target_link_libraries(test_cli_engine PRIVATE nlohmann_json::nlohmann_json)
add_dependencies(test_cli_engine mora-cli)
