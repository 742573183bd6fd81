# Editor tests: the tokenizer runs without Qt; the text editor control runs offscreen.
file(GLOB _editor_core_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/editor/XmlHighlighter*.cpp)
if(_editor_core_tests AND TARGET quillon_editor_core)
  add_executable(test_editor_core ${_editor_core_tests})
  target_link_libraries(test_editor_core PRIVATE quillon_editor_core GTest::gtest_main)
  gtest_discover_tests(test_editor_core DISCOVERY_TIMEOUT 60)
endif()

file(GLOB _editor_qt_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/editor/*.cpp)
if(_editor_core_tests)
  list(REMOVE_ITEM _editor_qt_tests ${_editor_core_tests})
endif()
if(_editor_qt_tests AND TARGET quillon_editor)
  add_executable(test_editor_control ${_editor_qt_tests})
  set_target_properties(test_editor_control PROPERTIES AUTOMOC ON)
  target_link_libraries(test_editor_control PRIVATE quillon_editor GTest::gtest)
  gtest_discover_tests(test_editor_control DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endif()
