mora_fuzzer(fuzz_ftp_reply SOURCES ${CMAKE_CURRENT_LIST_DIR}/ftp_reply_fuzz.cpp LIBS mora_net)
