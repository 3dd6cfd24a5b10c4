mora_test(test_cli_wav_acceptance SOURCES ${CMAKE_CURRENT_LIST_DIR}/wav_acceptance_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_runner.cpp LIBS mora_platform mora_test_support
  LABELS core ENV "MORA_CLI=$<TARGET_FILE:mora-cli>")
add_dependencies(test_cli_wav_acceptance mora-cli)
