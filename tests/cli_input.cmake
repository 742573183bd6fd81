# quillon-cli on input that is not a regular file: pipes, FIFOs, /dev/stdin and process
# substitutions read exactly as the same bytes in a file (a script, as the runner of the golden
# cases cannot feed a pipe), and a folder named as the input is a usage error with its message.
if(TARGET quillon-cli)
  add_test(NAME cli.input.non-regular
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/cli/input/NonRegularInput.sh $<TARGET_FILE:quillon-cli>
                   ${CMAKE_CURRENT_SOURCE_DIR}/cli ${CMAKE_CURRENT_BINARY_DIR}/cli.input.non-regular)
  set_tests_properties(cli.input.non-regular PROPERTIES TIMEOUT ${QUILLON_TEST_TIMEOUT})

  foreach(_command "tokens" "sax" "tree" "find|x" "export|csv" "format" "validate" "source" "highlight")
    string(REPLACE "|" ";" _args "${_command}")
    list(GET _args 0 _name)
    set(_out)
    set(_file)
    if(_name STREQUAL "export")
      set(_out @OUT@)
      set(_file FILE none)
    endif()
    quillon_cli_test(NAME input.folder-${_name} DIR ${_quillon_cli_root} RC 2 STDOUT - STDERR folder.err ${_file}
                     ARGS ${_args} ../expected ${_out})
  endforeach()
endif()
