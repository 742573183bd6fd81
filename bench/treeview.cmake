# The virtual tree control on two million nodes (full expand, scrolling, full collapse) beside
# Qt's tree view over the same item model. Runs offscreen.
if(QUILLON_QT)
  add_executable(bench_tree_view ${CMAKE_CURRENT_SOURCE_DIR}/bench_tree_view.cpp ${CMAKE_CURRENT_SOURCE_DIR}/BenchData.cpp)
  target_link_libraries(bench_tree_view PRIVATE quillon_treeview)
endif()
