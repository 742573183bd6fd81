# The quillon-cli golden cases: every case runs the built binary once, in the C locale, on a
# fixture and compares the exit code, the standard output, the standard error and the file it
# writes byte for byte with files under tests/cli (RunCli.cmake does the run).
if(NOT TARGET quillon-cli)
  message(FATAL_ERROR "the quillon-cli golden cases need the quillon-cli target")
endif()

# quillon_cli_test(NAME name DIR folder RC code [STDOUT file|-|*] [LINE regex] [STDERR file|-|*]
#                  [FILE file|none] [MASK_TIME] ARGS args...)
# DIR holds fixtures/ (the working folder) and expected/ (where the expected files are looked up).
# STDOUT "-" or absent: nothing on standard output; "*": only LINE is checked, a line of the
# output that matches the regular expression as a whole. STDERR "-" or absent: nothing on standard
# error, or a "quillon-cli: " message when RC is 2; "*": not checked. FILE: the expected content
# of @OUT@ in ARGS, "none": @OUT@ must not be written. MASK_TIME: the parsing time is masked.
function(quillon_cli_test)
  cmake_parse_arguments(C "MASK_TIME" "NAME;DIR;RC;STDOUT;LINE;STDERR;FILE" "ARGS" ${ARGN})
  foreach(_kind STDOUT STDERR FILE)
    if(C_${_kind} AND NOT C_${_kind} MATCHES "^(-|none|\\*)$")
      set(_path ${C_DIR}/expected/${C_${_kind}})
      if(NOT EXISTS ${_path})
        message(FATAL_ERROR "cli.${C_NAME}: no expected file ${_path}")
      endif()
      set(C_${_kind} ${_path})
    endif()
  endforeach()
  list(JOIN C_ARGS "|" _args)
  add_test(NAME cli.${C_NAME}
           COMMAND ${CMAKE_COMMAND} -DCLI=$<TARGET_FILE:quillon-cli> "-DARGS=${_args}" -DDIR=${C_DIR}/fixtures
                   -DNAME=cli.${C_NAME} -DKEEP=${CMAKE_CURRENT_BINARY_DIR}/cli-failures -DRC=${C_RC}
                   -DSTDOUT=${C_STDOUT} "-DLINE=${C_LINE}" -DSTDERR=${C_STDERR} -DFILE=${C_FILE} -DMASK_TIME=${C_MASK_TIME}
                   -P ${PROJECT_SOURCE_DIR}/tests/cli/RunCli.cmake)
  set_tests_properties(cli.${C_NAME} PROPERTIES TIMEOUT ${QUILLON_TEST_TIMEOUT})
endfunction()

# The short forms the case lists use.
set(_quillon_cli_root ${CMAKE_CURRENT_LIST_DIR})

# quillon_cli_case(NAME RC EXPECTED_STDOUT_OR_- ARGS...): engine commands, tests/cli/{fixtures,expected}.
function(quillon_cli_case NAME RC EXPECTED)
  set(_stderr -)
  if(NOT EXPECTED STREQUAL "-")
    set(_stderr *)  # the golden file is the standard output; what goes to stderr is not compared
  endif()
  quillon_cli_test(NAME ${NAME} DIR ${_quillon_cli_root} RC ${RC} STDOUT ${EXPECTED} STDERR ${_stderr} ARGS ${ARGN})
endfunction()

# quillon_document_cli_case(NAME RC EXPECTED_STDOUT_OR_- EXPECTED_EXPORT_OR_- ARGS...): tree, find
# and export, tests/cli/document/{fixtures,expected}.
function(quillon_document_cli_case NAME RC EXPECTED EXPECTED_FILE)
  set(_file)
  if(NOT EXPECTED_FILE STREQUAL "-")
    set(_file FILE ${EXPECTED_FILE})
  endif()
  set(_stderr -)
  if(NOT EXPECTED STREQUAL "-")
    set(_stderr *)
  endif()
  quillon_cli_test(NAME document.${NAME} DIR ${_quillon_cli_root}/document RC ${RC} STDOUT ${EXPECTED}
                   STDERR ${_stderr} ${_file} MASK_TIME ARGS ${ARGN})
endfunction()

# quillon_cli_editing_case(NAME RC code STDOUT file|- STDERR file|- [FILE file|none] ARGS ...): format,
# validate and source, tests/cli/editing/{fixtures,expected}.
function(quillon_cli_editing_case NAME)
  quillon_cli_test(NAME editing.${NAME} DIR ${_quillon_cli_root}/editing ${ARGN})
endfunction()
