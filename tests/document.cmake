# Document model tests: node tree, loading, tree search and the exports. Listed, not globbed:
# the folder is shared with the document operation tests.
set(_document_tests
  ${CMAKE_CURRENT_SOURCE_DIR}/document/NodeTreeTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/document/XmlDocumentTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/document/SearchTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/document/ExportTest.cpp)
add_executable(test_document ${_document_tests})
target_link_libraries(test_document PRIVATE quillon_document quillon_engine GTest::gtest_main)
quillon_gtest(test_document)
