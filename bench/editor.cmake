# Tokenizer throughput, beside a plain scan of the same text as the reference line.
add_executable(bench_highlight ${CMAKE_CURRENT_SOURCE_DIR}/bench_highlight.cpp)
target_link_libraries(bench_highlight PRIVATE quillon_editor_core)
