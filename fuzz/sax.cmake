# The SAX parser over arbitrary bytes, with reader settings, white-space handling and stops mixed in.
add_executable(fuzz_sax ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_sax.cpp)
target_link_libraries(fuzz_sax PRIVATE quillon_engine)
target_link_options(fuzz_sax PRIVATE -fsanitize=fuzzer)
