# The document model over arbitrary bytes: load, tree walk, search, exports, validation,
# formatting and the Source text, with the options taken from the first byte.
add_executable(fuzz_document ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_document.cpp)
target_link_libraries(fuzz_document PRIVATE quillon_document)
target_link_options(fuzz_document PRIVATE -fsanitize=fuzzer)
