# The XML pull reader over arbitrary bytes, strict and tolerant, with every setting mixed in.
add_executable(fuzz_reader ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_reader.cpp)
target_link_libraries(fuzz_reader PRIVATE quillon_engine)
target_link_options(fuzz_reader PRIVATE -fsanitize=fuzzer)
