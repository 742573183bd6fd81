# Text reader throughput (every code unit through ReadNextChar) beside iconv decoding the same bytes.
add_executable(bench_text ${CMAKE_CURRENT_SOURCE_DIR}/bench_text.cpp)
target_link_libraries(bench_text PRIVATE quillon_engine)
