# The XML editor window, driven offscreen through its actions, with the message boxes and the
# save-as dialog answered by hooks.
file(GLOB _editorwnd_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/editorwnd/*.cpp)
if(_editorwnd_tests AND TARGET quillon_app AND TARGET quillon_editor)
  add_executable(test_editorwnd ${_editorwnd_tests})
  set_target_properties(test_editorwnd PROPERTIES AUTOMOC ON)
  target_link_libraries(test_editorwnd PRIVATE quillon_app Qt6::Test GTest::gtest)
  gtest_discover_tests(test_editorwnd DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endif()

# Review aid, not a test: editorwnd_shot OUT_PREFIX FILE saves pictures of the editor on FILE,
# its popup menu, the find-and-replace box and a validation error.
if(TARGET quillon_app AND TARGET quillon_editor AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/editorwnd/tools/EditorShot.cpp)
  add_executable(editorwnd_shot ${CMAKE_CURRENT_SOURCE_DIR}/editorwnd/tools/EditorShot.cpp)
  target_link_libraries(editorwnd_shot PRIVATE quillon_app)
endif()
