# The reader's fast paths, vector and plain, against its general scan on the same bytes.
add_executable(fuzz_scan ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_scan.cpp)
target_link_libraries(fuzz_scan PRIVATE quillon_engine)
target_link_options(fuzz_scan PRIVATE -fsanitize=fuzzer)
