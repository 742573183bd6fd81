# Showing the Source card of the benchmark document beside the document window's load of the
# same file in the same run, with the process's peak memory against the file size.
if(TARGET quillon_app)
  add_executable(bench_source ${CMAKE_CURRENT_SOURCE_DIR}/bench_source.cpp ${CMAKE_CURRENT_SOURCE_DIR}/BenchData.cpp)
  target_link_libraries(bench_source PRIVATE quillon_app)
endif()
