mora_test(test_cli_publish_job SOURCES ${CMAKE_CURRENT_LIST_DIR}/publish_job_commands_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_runner.cpp LIBS mora_settings mora_ftp_test_server
  LABELS core TIMEOUT 240 ENV "MORA_CLI=$<TARGET_FILE:mora-cli>")
target_link_libraries(test_cli_publish_job PRIVATE nlohmann_json::nlohmann_json)
add_dependencies(test_cli_publish_job mora-cli)
