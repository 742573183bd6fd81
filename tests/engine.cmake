# Engine tests: one binary over every tests/engine/*.cpp.
file(GLOB _engine_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/engine/*.cpp)
add_executable(test_engine ${_engine_tests})
target_link_libraries(test_engine PRIVATE quillon_engine GTest::gtest_main)
target_compile_definitions(test_engine PRIVATE QUILLON_SAMPLES="${PROJECT_SOURCE_DIR}/samples"
                                               QUILLON_FUZZ_CORPUS="${PROJECT_SOURCE_DIR}/fuzz/corpus")
quillon_gtest(test_engine)
