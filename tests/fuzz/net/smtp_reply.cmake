mora_fuzzer(fuzz_smtp_reply SOURCES ${CMAKE_CURRENT_LIST_DIR}/smtp_reply_fuzz.cpp LIBS mora_net)
