# Main window and start-up: driven offscreen through the window library; the hand-over test
# starts the built program as a real second instance.
if(QUILLON_QT)
  file(GLOB _mainwnd_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/mainwnd/*.cpp)
  add_executable(test_mainwnd ${_mainwnd_tests})
  set_target_properties(test_mainwnd PROPERTIES AUTOMOC ON)
  target_link_libraries(test_mainwnd PRIVATE quillon_app Qt6::Test GTest::gtest)
  target_compile_definitions(test_mainwnd PRIVATE QUILLON_PROGRAM="$<TARGET_FILE:quillon>"
                             QUILLON_CLI="$<TARGET_FILE:quillon-cli>"
                             QUILLON_SAMPLES="${PROJECT_SOURCE_DIR}/samples")
  add_dependencies(test_mainwnd quillon quillon-cli)
  quillon_gtest(test_mainwnd ENVIRONMENT QT_QPA_PLATFORM=offscreen)

  # Review aid, not a test: mainwnd_shot OUT.png FILE... saves a picture of the main window.
  add_executable(mainwnd_shot ${CMAKE_CURRENT_SOURCE_DIR}/mainwnd/tools/MainWindowShot.cpp)
  target_link_libraries(mainwnd_shot PRIVATE quillon_app)
endif()
