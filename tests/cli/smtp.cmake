mora_test(test_cli_smtp SOURCES ${CMAKE_CURRENT_LIST_DIR}/smtp_commands_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_runner.cpp LIBS mora_settings mora_smtp_test_server
  LABELS core ENV "MORA_CLI=$<TARGET_FILE:mora-cli>" TIMEOUT 240)
add_dependencies(test_cli_smtp mora-cli)
