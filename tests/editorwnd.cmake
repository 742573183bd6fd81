# The XML editor window, driven offscreen through its actions, with the message boxes and the
# save-as dialog answered by hooks.
if(QUILLON_QT)
  file(GLOB _editorwnd_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/editorwnd/*.cpp)
  add_executable(test_editorwnd ${_editorwnd_tests})
  set_target_properties(test_editorwnd PROPERTIES AUTOMOC ON)
  target_link_libraries(test_editorwnd PRIVATE quillon_app GTest::gtest)
  quillon_gtest(test_editorwnd ENVIRONMENT QT_QPA_PLATFORM=offscreen)

  # Review aid, not a test: editorwnd_shot OUT_PREFIX FILE saves pictures of the editor on FILE,
  # its popup menu, the find-and-replace box and a validation error (run under an X server).
  add_executable(editorwnd_shot ${CMAKE_CURRENT_SOURCE_DIR}/editorwnd/tools/EditorShot.cpp)
  target_link_libraries(editorwnd_shot PRIVATE quillon_app)
endif()
