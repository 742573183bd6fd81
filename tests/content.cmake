# The Content card's browser plugin, loaded as the program loads it. Offscreen; the browser
# engine's own processes do not run under the sanitizers, so these tests are left out of the
# sanitizer build.
file(GLOB _content_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/content/*.cpp)
if(QUILLON_QT AND NOT QUILLON_SANITIZE)
  add_executable(test_content ${_content_tests})
  target_link_libraries(test_content PRIVATE quillon_app Qt6::Network GTest::gtest)
  add_dependencies(test_content quillon_content)
  target_compile_definitions(test_content PRIVATE QUILLON_PLUGIN_DIR="$<TARGET_FILE_DIR:quillon_content>")
  quillon_gtest(test_content ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endif()
