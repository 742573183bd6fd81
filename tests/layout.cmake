# Settings store, layout manager, text-view layouts, recently used files and the desktop
# file association; every test runs in throw-away XDG folders on the offscreen platform.
if(QUILLON_QT)
  file(GLOB _layout_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/layout/*.cpp)
  add_executable(test_layout ${_layout_tests})
  set_target_properties(test_layout PROPERTIES AUTOMOC ON)
  target_link_libraries(test_layout PRIVATE quillon_libs Qt6::Test GTest::gtest)
  target_compile_definitions(test_layout PRIVATE
    QUILLON_DESKTOP_ENTRY="${PROJECT_SOURCE_DIR}/packaging/com.corvane.Quillon.desktop")
  quillon_gtest(test_layout ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endif()
