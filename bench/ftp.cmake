# FTP upload and download throughput over loopback, beside curl against the same server.
add_executable(bench_ftp_throughput ${CMAKE_CURRENT_LIST_DIR}/ftp_throughput.cpp
  ${PROJECT_SOURCE_DIR}/tests/net/ftp_server.cpp)
target_compile_definitions(bench_ftp_throughput
  PRIVATE MORA_FTP_SERVER_SCRIPT="${PROJECT_SOURCE_DIR}/tests/net/ftp_server.py")
target_link_libraries(bench_ftp_throughput PRIVATE mora_net)
mora_warnings(bench_ftp_throughput)

# FTPS upload throughput over loopback, beside curl --ssl-reqd -T against the same server.
add_executable(bench_ftps_upload ${CMAKE_CURRENT_LIST_DIR}/ftps_upload.cpp
  ${PROJECT_SOURCE_DIR}/tests/net/ftp_server.cpp ${PROJECT_SOURCE_DIR}/tests/net/tls_fixture.cpp)
target_compile_definitions(bench_ftps_upload
  PRIVATE MORA_FTP_SERVER_SCRIPT="${PROJECT_SOURCE_DIR}/tests/net/ftp_server.py")
target_link_libraries(bench_ftps_upload PRIVATE mora_net mora_test_support)
mora_warnings(bench_ftps_upload)
