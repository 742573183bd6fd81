# Runs quillon-cli once in the C locale and compares its exit code and standard output (with the
# parsing time masked) and, for exports, the bytes of the written file with what a case expects.
# -DCLI=binary -DARGS=arguments separated by "|" (@OUT@ stands for the export target) -DDIR=fixture
# directory -DRC=exit code -DEXPECTED=expected standard output or empty for a usage case
# -DEXPECTED_FILE=expected export file or empty -DWORK=scratch file prefix
string(REPLACE "@OUT@" "${WORK}.export" ARGS "${ARGS}")
string(REPLACE "|" ";" _args "${ARGS}")
file(REMOVE ${WORK}.export)
execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C ${CLI} ${_args} WORKING_DIRECTORY ${DIR}
                RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
if(NOT _rc STREQUAL RC)
  message(FATAL_ERROR "exit code ${_rc}, expected ${RC}\nstdout:\n${_out}\nstderr:\n${_err}")
endif()
string(REGEX REPLACE "Parsing time: [0-9]+\\.[0-9][0-9] s" "Parsing time: # s" _out "${_out}")
if(EXPECTED)
  file(READ ${EXPECTED} _expected)
  if(NOT _out STREQUAL _expected)
    file(WRITE ${WORK}.out "${_out}")
    message(FATAL_ERROR "output differs from ${EXPECTED}; got ${WORK}.out:\n${_out}")
  endif()
elseif(NOT _err MATCHES "^quillon-cli: ")
  message(FATAL_ERROR "expected a quillon-cli: message on stderr, got:\n${_err}")
endif()
if(EXPECTED_FILE)
  if(NOT EXISTS ${WORK}.export)
    message(FATAL_ERROR "no export file written")
  endif()
  file(READ ${WORK}.export _got HEX)
  file(READ ${EXPECTED_FILE} _want HEX)
  if(NOT _got STREQUAL _want)
    message(FATAL_ERROR "export differs from ${EXPECTED_FILE}; got ${WORK}.export")
  endif()
  file(REMOVE ${WORK}.export)
endif()
