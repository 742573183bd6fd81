# The XML writer's round trip over random text in every encoding: write, read back, compare.
if(TARGET quillon_engine)
  add_executable(fuzz_writer ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_writer.cpp)
  target_link_libraries(fuzz_writer PRIVATE quillon_engine)
  target_link_options(fuzz_writer PRIVATE -fsanitize=fuzzer)
endif()
