# Focusing a node with a 10 MB name and a node with an entity-amplified text in the document
# window, beside the load of the same documents in the same run.
if(TARGET quillon_app)
  add_executable(bench_focus ${CMAKE_CURRENT_SOURCE_DIR}/bench_focus.cpp ${CMAKE_CURRENT_SOURCE_DIR}/BenchData.cpp)
  target_link_libraries(bench_focus PRIVATE quillon_app quillon_treeview)
endif()
