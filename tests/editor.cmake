# Editor tests: the tokenizer runs without Qt; the text editor control runs offscreen.
file(GLOB _editor_core_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/editor/XmlHighlighter*.cpp)
add_executable(test_editor_core ${_editor_core_tests})
target_link_libraries(test_editor_core PRIVATE quillon_editor_core GTest::gtest_main)
quillon_gtest(test_editor_core)

if(QUILLON_QT)
  file(GLOB _editor_qt_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/editor/*.cpp)
  list(REMOVE_ITEM _editor_qt_tests ${_editor_core_tests})
  add_executable(test_editor_control ${_editor_qt_tests})
  set_target_properties(test_editor_control PROPERTIES AUTOMOC ON)
  target_link_libraries(test_editor_control PRIVATE quillon_editor GTest::gtest)
  quillon_gtest(test_editor_control ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endif()

# quillon-cli highlight decodes by the declared encoding and by the byte-order mark.
quillon_require_files(${PROJECT_SOURCE_DIR}/samples/windows-1250.xml ${PROJECT_SOURCE_DIR}/samples/utf16le-bom.xml)
quillon_cli_test(NAME highlight.declared-encoding DIR ${CMAKE_CURRENT_SOURCE_DIR}/cli RC 0 STDOUT *
                 LINE "4\ttkText\tText\tPříliš žluťoučký kůň úpěl ďábelské ódy\\." ARGS highlight ${PROJECT_SOURCE_DIR}/samples/windows-1250.xml)
quillon_cli_test(NAME highlight.byte-order-mark DIR ${CMAKE_CURRENT_SOURCE_DIR}/cli RC 0 STDOUT *
                 LINE "5\ttkText\tText\t你好，世界" ARGS highlight ${PROJECT_SOURCE_DIR}/samples/utf16le-bom.xml)
