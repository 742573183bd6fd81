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

# quillon-cli highlight decodes by the declared encoding and by the byte-order mark.
if(TARGET quillon-cli AND EXISTS ${PROJECT_SOURCE_DIR}/samples/windows-1250.xml)
  add_test(NAME cli_highlight_declared_encoding
           COMMAND quillon-cli highlight ${PROJECT_SOURCE_DIR}/samples/windows-1250.xml)
  set_tests_properties(cli_highlight_declared_encoding PROPERTIES
                       PASS_REGULAR_EXPRESSION "4\ttkText\tText\tPříliš žluťoučký kůň")
endif()
if(TARGET quillon-cli AND EXISTS ${PROJECT_SOURCE_DIR}/samples/utf16le-bom.xml)
  add_test(NAME cli_highlight_byte_order_mark
           COMMAND quillon-cli highlight ${PROJECT_SOURCE_DIR}/samples/utf16le-bom.xml)
  set_tests_properties(cli_highlight_byte_order_mark PROPERTIES
                       PASS_REGULAR_EXPRESSION "\ttkText\tText\t你好，世界")
endif()
