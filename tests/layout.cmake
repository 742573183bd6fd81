# Settings store, layout manager, text-view layouts, recently used files and the desktop
# file association; every test runs in throw-away XDG folders on the offscreen platform.
if(TARGET quillon_libs)
  file(GLOB _layout_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/layout/*.cpp)
  if(_layout_tests)
    add_executable(test_layout ${_layout_tests})
    set_target_properties(test_layout PROPERTIES AUTOMOC ON)
    target_link_libraries(test_layout PRIVATE quillon_libs Qt6::Test GTest::gtest)
    gtest_discover_tests(test_layout DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
  endif()
endif()
