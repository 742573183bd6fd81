# Value classification of the value pane (Base64, picture headers, captions): plain C++ tests.
file(GLOB _value_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/value/*.cpp)
add_executable(test_value ${_value_tests})
target_link_libraries(test_value PRIVATE quillon_document GTest::gtest_main)
quillon_gtest(test_value)
