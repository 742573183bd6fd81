# The editor window on the 100 MB benchmark document beside the document window's load of the
# same file: opening, Format XML, typing afterwards. Runs offscreen.
if(QUILLON_QT)
  add_executable(bench_editor_window ${CMAKE_CURRENT_SOURCE_DIR}/bench_editor_window.cpp
                                     ${CMAKE_CURRENT_SOURCE_DIR}/BenchData.cpp)
  target_link_libraries(bench_editor_window PRIVATE quillon_app)
endif()
