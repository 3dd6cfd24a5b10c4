# The FTP client, streams and test against a real pyftpdlib server on a loopback address.
add_library(mora_ftp_test_server STATIC ${CMAKE_CURRENT_LIST_DIR}/ftp_server.cpp)
target_include_directories(mora_ftp_test_server PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_definitions(mora_ftp_test_server
  PUBLIC MORA_FTP_SERVER_SCRIPT="${CMAKE_CURRENT_LIST_DIR}/ftp_server.py")
mora_warnings(mora_ftp_test_server)

mora_test(test_net_ftp
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ftp_reply_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ftp_transfer_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ftp_failure_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ftp_check_test.cpp
  LIBS mora_net mora_ftp_test_server
  LABELS core)

# Both secure clients share the certificates, the trust store and the capturing proxy.
add_library(mora_tls_test_support STATIC ${CMAKE_CURRENT_LIST_DIR}/tls_fixture.cpp)
target_link_libraries(mora_tls_test_support PUBLIC mora_test_support)
mora_warnings(mora_tls_test_support)

mora_test(test_net_ftps
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ftps_test.cpp
  LIBS mora_net mora_ftp_test_server mora_tls_test_support
  LABELS core TIMEOUT 120)
