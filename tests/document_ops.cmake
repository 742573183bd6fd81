# Document operations of the editor and the Source card: encoding rules, formatting and the
# block target it writes big texts into, well-formedness check and the Source text. The files
# are listed, not globbed, because other document tests share the folder.
set(_document_ops_tests
  ${CMAKE_CURRENT_SOURCE_DIR}/document/DocOpsTestFiles.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/document/EditorEncodingTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/document/XmlFormatTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/document/XmlValidateTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/document/SourceTextTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/document/BlockStreamTest.cpp)
add_executable(test_document_ops ${_document_ops_tests})
target_link_libraries(test_document_ops PRIVATE quillon_document GTest::gtest_main)
quillon_gtest(test_document_ops)
