# Document model tests: node tree, loading, tree search and the exports. Listed, not globbed:
# the folder is shared with the document operation tests.
set(_document_tests
  ${CMAKE_CURRENT_SOURCE_DIR}/document/NodeTreeTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/document/XmlDocumentTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/document/SearchTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/document/ExportTest.cpp)
add_executable(test_document ${_document_tests})
target_link_libraries(test_document PRIVATE quillon_document quillon_engine GTest::gtest_main)

# The number format is tried under de_DE.UTF-8. Where the system lacks that locale, it is
# compiled once into the build folder and the tests find it through LOCPATH.
execute_process(COMMAND locale -a OUTPUT_VARIABLE _locales ERROR_QUIET)
if(_locales MATCHES "(^|\n)de_DE\\.(utf8|UTF-8)(\n|$)")
  quillon_gtest(test_document)
else()
  set(_locpath ${CMAKE_CURRENT_BINARY_DIR}/locale)
  if(NOT EXISTS ${_locpath}/de_DE.UTF-8/LC_NUMERIC)
    message(STATUS "Compiling the locale de_DE.UTF-8 for the tests into ${_locpath}")
    file(MAKE_DIRECTORY ${_locpath})
    execute_process(COMMAND localedef -i de_DE -f UTF-8 ${_locpath}/de_DE.UTF-8 OUTPUT_QUIET ERROR_QUIET)
    if(NOT EXISTS ${_locpath}/de_DE.UTF-8/LC_NUMERIC)
      message(FATAL_ERROR "cannot compile the locale de_DE.UTF-8 for the tests: install the Debian package locales")
    endif()
  endif()
  quillon_gtest(test_document ENVIRONMENT LOCPATH=${_locpath})
endif()
