mora_test(test_cli_ftp SOURCES ${CMAKE_CURRENT_LIST_DIR}/ftp_commands_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_runner.cpp LIBS mora_settings mora_ftp_test_server
  mora_tls_test_support
  LABELS core ENV "MORA_CLI=$<TARGET_FILE:mora-cli>")
target_link_libraries(test_cli_ftp PRIVATE nlohmann_json::nlohmann_json)
add_dependencies(test_cli_ftp mora-cli)
