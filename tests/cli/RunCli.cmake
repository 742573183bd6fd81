# Runs quillon-cli once and compares its exit code and standard output with what a case expects.
# -DCLI=binary -DARGS=arguments separated by "|" -DDIR=working directory -DRC=exit code
# -DEXPECTED=file with the exact standard output, or empty to require only a "quillon-cli: "
# message on standard error.
string(REPLACE "|" ";" _args "${ARGS}")
execute_process(COMMAND ${CLI} ${_args} WORKING_DIRECTORY ${DIR}
                RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
if(NOT _rc STREQUAL RC)
  message(FATAL_ERROR "exit code ${_rc}, expected ${RC}\nstdout:\n${_out}\nstderr:\n${_err}")
endif()
if(EXPECTED)
  file(READ ${EXPECTED} _expected)
  if(NOT _out STREQUAL _expected)
    file(WRITE ${OUT_FILE} "${_out}")
    message(FATAL_ERROR "output differs from ${EXPECTED}; got ${OUT_FILE}:\n${_out}")
  endif()
elseif(NOT _err MATCHES "^quillon-cli: ")
  message(FATAL_ERROR "expected a quillon-cli: message on stderr, got:\n${_err}")
endif()
