# Application shell: command line, hand-over packet, single instance, message boxes, the
# shared icon list and the window bar. Qt tests run on the offscreen platform.
if(QUILLON_QT)
  file(GLOB _shell_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/shell/*.cpp)
  add_executable(test_shell ${_shell_tests})
  target_link_libraries(test_shell PRIVATE quillon_libs Qt6::Test GTest::gtest)
  quillon_gtest(test_shell ENVIRONMENT QT_QPA_PLATFORM=offscreen)
  # Review aid, not a test: shell_icon_sheet OUT.png draws every icon on one sheet.
  add_executable(shell_icon_sheet ${CMAKE_CURRENT_SOURCE_DIR}/shell/tools/IconSheet.cpp)
  target_link_libraries(shell_icon_sheet PRIVATE quillon_libs_controls)
endif()
