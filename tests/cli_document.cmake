# quillon-cli tree, find and export end to end: fixtures in cli/document/fixtures, exact outputs
# and export files in cli/document/expected.
if(TARGET quillon-cli)
  set(_doc_cli_dir ${CMAKE_CURRENT_SOURCE_DIR}/cli/document)
  # quillon_document_cli_case(NAME RC EXPECTED_OUT_OR_- EXPECTED_EXPORT_OR_- ARGS...)
  function(quillon_document_cli_case NAME RC EXPECTED EXPECTED_FILE)
    list(JOIN ARGN "|" _args)
    set(_expected "")
    if(NOT EXPECTED STREQUAL "-")
      set(_expected ${_doc_cli_dir}/expected/${EXPECTED})
    endif()
    set(_expected_file "")
    if(NOT EXPECTED_FILE STREQUAL "-")
      set(_expected_file ${_doc_cli_dir}/expected/${EXPECTED_FILE})
    endif()
    add_test(NAME cli.document.${NAME}
             COMMAND ${CMAKE_COMMAND} -DCLI=$<TARGET_FILE:quillon-cli> "-DARGS=${_args}" -DDIR=${_doc_cli_dir}/fixtures
                     -DRC=${RC} -DEXPECTED=${_expected} -DEXPECTED_FILE=${_expected_file}
                     -DWORK=${CMAKE_CURRENT_BINARY_DIR}/cli.document.${NAME}
                     -P ${_doc_cli_dir}/RunDocumentCli.cmake)
  endfunction()

  quillon_document_cli_case(tree 0 tree-books.out - tree books.xml)
  quillon_document_cli_case(tree-count 0 tree-books-count.out - tree --count books.xml)
  quillon_document_cli_case(tree-tolerant 0 tree-mismatch.out - tree mismatch.xml)
  quillon_document_cli_case(tree-strict 1 tree-mismatch-strict.out - tree --strict mismatch.xml)
  quillon_document_cli_case(find-name 0 find-books-book.out - find BOOK books.xml)
  quillon_document_cli_case(find-value 0 find-books-png.out - find .PNG books.xml)
  quillon_document_cli_case(find-comment 0 find-books-note.out - find note books.xml)
  quillon_document_cli_case(export-csv 0 export-empty.out export-books.csv export csv books.xml @OUT@)
  quillon_document_cli_case(export-json 0 export-empty.out export-books.json export json books.xml @OUT@)
  quillon_document_cli_case(export-json-tolerant 0 export-empty.out export-mismatch.json export json mismatch.xml @OUT@)
  # the UTF-16 output of format -o reads back whole
  quillon_document_cli_case(tree-utf16-formatted 0 tree-utf16-formatted.out - tree ../../editing/expected/utf16-declared.formatted.xml)
  quillon_document_cli_case(usage.missing-file 2 - - tree missing.xml)
  quillon_document_cli_case(usage.export-format 2 - - export xml books.xml @OUT@)
  quillon_document_cli_case(usage.export-target 2 - - export csv books.xml /nonexistent-dir/out.csv)
  quillon_document_cli_case(usage.find-args 2 - - find books.xml)
endif()
