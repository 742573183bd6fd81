# Formatting with token views against formatting with token records, on the same bytes.
add_executable(fuzz_format ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_format.cpp)
target_link_libraries(fuzz_format PRIVATE quillon_document)
target_link_options(fuzz_format PRIVATE -fsanitize=fuzzer)
