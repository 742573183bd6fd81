# Runs quillon-cli once and compares, byte for byte, its exit code, standard output, standard
# error and the file it wrote with what a case expects (the outputs may hold CR LF, 8-bit code
# pages or NUL bytes, so they go through files, not CMake strings).
# -DCLI -DARGS (separated by "|", @OUT@ stands for the output file) -DDIR (fixtures) -DWORK
# (prefix of the files this run writes) -DRC -DSTDOUT -DSTDERR (expected files; "-": stdout
# empty, stderr empty or, for exit code 2, a "quillon-cli: " message) -DFILE (expected content
# of @OUT@, "none": must not be written, empty: not checked).
string(REPLACE "|" ";" _args "${ARGS}")
string(REPLACE "@OUT@" "${WORK}.file" _args "${_args}")
file(REMOVE ${WORK}.file ${WORK}.stdout ${WORK}.stderr)
execute_process(COMMAND ${CLI} ${_args} WORKING_DIRECTORY ${DIR}
                RESULT_VARIABLE _rc OUTPUT_FILE ${WORK}.stdout ERROR_FILE ${WORK}.stderr)
file(READ ${WORK}.stderr _err)
if(NOT _rc STREQUAL RC)
  file(READ ${WORK}.stdout _out)
  message(FATAL_ERROR "exit code ${_rc}, expected ${RC}\nstdout:\n${_out}\nstderr:\n${_err}")
endif()

function(expect_same _actual _expected _what)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${_actual} ${_expected} RESULT_VARIABLE _differ)
  if(_differ)
    message(FATAL_ERROR "${_what} differs from ${_expected}; got ${_actual}")
  endif()
endfunction()

file(SIZE ${WORK}.stdout _out_size)
if(STDOUT STREQUAL "-")
  if(NOT _out_size EQUAL 0)
    message(FATAL_ERROR "expected no standard output; got ${WORK}.stdout")
  endif()
else()
  expect_same(${WORK}.stdout ${STDOUT} "standard output")
endif()

if(STDERR STREQUAL "-")
  if(RC STREQUAL "2")
    if(NOT _err MATCHES "^quillon-cli: ")
      message(FATAL_ERROR "expected a quillon-cli: message on stderr, got:\n${_err}")
    endif()
  elseif(NOT _err STREQUAL "")
    message(FATAL_ERROR "expected nothing on stderr, got:\n${_err}")
  endif()
else()
  expect_same(${WORK}.stderr ${STDERR} "standard error")
endif()

if(FILE STREQUAL "none")
  if(EXISTS ${WORK}.file)
    message(FATAL_ERROR "${WORK}.file was written")
  endif()
elseif(FILE)
  expect_same(${WORK}.file ${FILE} "the written file")
endif()
