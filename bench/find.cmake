# quillon-cli find where every node matches, beside quillon-cli tree on the same file.
if(TARGET quillon-cli)
  add_executable(bench_find ${CMAKE_CURRENT_SOURCE_DIR}/bench_find.cpp ${CMAKE_CURRENT_SOURCE_DIR}/BenchData.cpp)
  target_compile_definitions(bench_find PRIVATE QUILLON_CLI="$<TARGET_FILE:quillon-cli>")
  add_dependencies(bench_find quillon-cli)
endif()
