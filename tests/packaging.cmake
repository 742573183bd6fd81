# Installation and packaging: the program icon against the window icon, and an install into a
# temporary DESTDIR checked as a desktop would see it.
if(QUILLON_QT)
  add_executable(test_packaging ${CMAKE_CURRENT_SOURCE_DIR}/packaging/IconTest.cpp)
  target_link_libraries(test_packaging PRIVATE quillon_libs_controls Qt6::Svg GTest::gtest_main)
  target_compile_definitions(test_packaging PRIVATE
    QUILLON_ICON_SVG="${PROJECT_SOURCE_DIR}/packaging/icons/com.corvane.Quillon.svg")
  quillon_gtest(test_packaging ENVIRONMENT QT_QPA_PLATFORM=offscreen)

  set(_modules)
  if(TARGET quillon_content)
    list(APPEND _modules ${QUILLON_PLUGIN_INSTALL_DIR}/$<TARGET_FILE_NAME:quillon_content>)
  endif()
  add_test(NAME packaging.install
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/packaging/InstallTest.sh ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR}
      ${PROJECT_SOURCE_DIR}/samples/catalog.xml ${_modules})
  set_tests_properties(packaging.install PROPERTIES TIMEOUT ${QUILLON_TEST_TIMEOUT})
endif()
