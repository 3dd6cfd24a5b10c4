# The socket stream, the SMTP client and the e-mail streams, partly against a real mail server.
add_library(mora_smtp_test_server STATIC ${CMAKE_CURRENT_LIST_DIR}/smtp_server_fixture.cpp)
target_link_libraries(mora_smtp_test_server PUBLIC mora_test_support
  PRIVATE nlohmann_json::nlohmann_json)
mora_warnings(mora_smtp_test_server)

mora_test(test_smtp_codec SOURCES ${CMAKE_CURRENT_LIST_DIR}/smtp_codec_test.cpp
  LIBS mora_net mora_smtp_test_server LABELS core)
mora_test(test_smtp_client SOURCES ${CMAKE_CURRENT_LIST_DIR}/smtp_client_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/email_stream_test.cpp LIBS mora_net mora_smtp_test_server
  LABELS core TIMEOUT 240)
mora_test(test_smtps SOURCES ${CMAKE_CURRENT_LIST_DIR}/smtps_test.cpp
  LIBS mora_net mora_smtp_test_server mora_tls_test_support LABELS core TIMEOUT 120)
