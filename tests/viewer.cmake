# Document window and virtual tree control: headless Qt tests on the offscreen platform.
if(QUILLON_QT)
  file(GLOB _viewer_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/viewer/*.cpp)
  add_executable(test_viewer ${_viewer_tests})
  target_link_libraries(test_viewer PRIVATE quillon_app quillon_treeview GTest::gtest)
  target_compile_definitions(test_viewer PRIVATE
    QUILLON_SAMPLES_DIR="${PROJECT_SOURCE_DIR}/samples")
  quillon_gtest(test_viewer ENVIRONMENT QT_QPA_PLATFORM=offscreen)
  # Review aids, not tests. viewer_shot FILE OUT.png [NODE-NAME]: a document window on FILE
  # with the first node of that name focused, grabbed to a picture. viewer_timing FILE: the
  # time a document window takes to open FILE, beside the document load alone.
  add_executable(viewer_shot ${CMAKE_CURRENT_SOURCE_DIR}/viewer/tools/ViewerShot.cpp)
  target_link_libraries(viewer_shot PRIVATE quillon_app)
  add_executable(card_shot ${CMAKE_CURRENT_SOURCE_DIR}/viewer/tools/CardShot.cpp)
  target_link_libraries(card_shot PRIVATE quillon_app)
  add_executable(viewer_timing ${CMAKE_CURRENT_SOURCE_DIR}/viewer/tools/ViewerTiming.cpp)
  target_link_libraries(viewer_timing PRIVATE quillon_app)
endif()
