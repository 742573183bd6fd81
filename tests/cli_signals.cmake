# quillon-cli interrupted by a signal while it writes a file.
if(TARGET quillon-cli)
  add_test(NAME cli.signals.interrupted-writes
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/cli/signals/InterruptedExport.sh $<TARGET_FILE:quillon-cli>
                   ${CMAKE_CURRENT_BINARY_DIR}/cli.signals.interrupted-writes)
  set_tests_properties(cli.signals.interrupted-writes PROPERTIES TIMEOUT ${QUILLON_TEST_TIMEOUT})
endif()
