# The text reader over arbitrary bytes, in any encoding and block size.
add_executable(fuzz_text_reader ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_text_reader.cpp)
target_link_libraries(fuzz_text_reader PRIVATE quillon_engine)
target_link_options(fuzz_text_reader PRIVATE -fsanitize=fuzzer)
