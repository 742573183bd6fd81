# Runs quillon-cli once in the C locale and compares, byte for byte, its exit code, standard
# output, standard error and the file it wrote with what a case expects (see CliCase.cmake). The
# outputs may hold CR LF, 8-bit code pages or NUL bytes, so they go through files, not strings.
# -DCLI -DARGS (separated by "|", @OUT@ stands for the output file) -DDIR (working folder) -DNAME
# -DKEEP (folder that receives the outputs of a failed case) -DRC -DSTDOUT -DLINE -DSTDERR -DFILE -DMASK_TIME
# The folders below are cleared recursively: without a case name and a keep folder their
# paths would collapse to the file system root (a test registered by an older configuration
# than this script, for instance), so the run stops before touching anything.
foreach(_required CLI NAME KEEP)
  if("${${_required}}" STREQUAL "")
    message(FATAL_ERROR "RunCli.cmake needs -D${_required}=...; reconfigure the build")
  endif()
endforeach()
# Builds of other worktrees run the same cases at the same time: the scratch folder's name
# carries the build (its keep folder) as well as the case.
string(MD5 _build "${KEEP}")
string(SUBSTRING "${_build}" 0 12 _build)
if(DEFINED ENV{TMPDIR} AND NOT "$ENV{TMPDIR}" STREQUAL "")
  set(_scratch $ENV{TMPDIR}/quillon-${NAME}-${_build})
else()
  set(_scratch /tmp/quillon-${NAME}-${_build})
endif()
file(REMOVE_RECURSE ${_scratch} ${KEEP}/${NAME})
file(MAKE_DIRECTORY ${_scratch})

# Every failure keeps the outputs beside the build for a look, and leaves no scratch folder.
macro(fail _message)
  file(MAKE_DIRECTORY ${KEEP})
  file(COPY ${_scratch}/ DESTINATION ${KEEP}/${NAME})
  file(REMOVE_RECURSE ${_scratch})
  message(FATAL_ERROR "${_message}\n(outputs kept in ${KEEP}/${NAME})")
endmacro()

string(REPLACE "|" ";" _args "${ARGS}")
string(REPLACE "@OUT@" "${_scratch}/file" _args "${_args}")
execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C ${CLI} ${_args} WORKING_DIRECTORY ${DIR}
                RESULT_VARIABLE _rc OUTPUT_FILE ${_scratch}/stdout ERROR_FILE ${_scratch}/stderr)
file(READ ${_scratch}/stderr _err)
if(NOT _rc STREQUAL RC)
  file(READ ${_scratch}/stdout _out)
  fail("exit code ${_rc}, expected ${RC}\nstdout:\n${_out}\nstderr:\n${_err}")
endif()

if(MASK_TIME)
  file(READ ${_scratch}/stdout _out)
  string(REGEX REPLACE "Parsing time: [0-9]+\\.[0-9][0-9] s" "Parsing time: # s" _out "${_out}")
  file(WRITE ${_scratch}/stdout "${_out}")
endif()

function(expect_same _actual _expected _what)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${_actual} ${_expected} RESULT_VARIABLE _differ)
  if(_differ)
    fail("${_what} differs from ${_expected}")
  endif()
endfunction()

if(STDOUT STREQUAL "-" OR STDOUT STREQUAL "")
  file(SIZE ${_scratch}/stdout _out_size)
  if(NOT _out_size EQUAL 0)
    fail("expected no standard output")
  endif()
elseif(NOT STDOUT STREQUAL "*")
  expect_same(${_scratch}/stdout ${STDOUT} "standard output")
endif()
if(LINE)
  file(READ ${_scratch}/stdout _out)
  if(NOT _out MATCHES "(^|\n)${LINE}\r?(\n|$)")
    fail("no line of the standard output is\n${LINE}")
  endif()
endif()

if(STDERR STREQUAL "-" OR STDERR STREQUAL "")
  if(RC STREQUAL "2")
    if(NOT _err MATCHES "^quillon-cli: ")
      fail("expected a quillon-cli: message on stderr, got:\n${_err}")
    endif()
  elseif(NOT _err STREQUAL "")
    fail("expected nothing on stderr, got:\n${_err}")
  endif()
elseif(NOT STDERR STREQUAL "*")
  expect_same(${_scratch}/stderr ${STDERR} "standard error")
endif()

if(FILE STREQUAL "none")
  if(EXISTS ${_scratch}/file)
    fail("@OUT@ was written")
  endif()
elseif(FILE)
  if(NOT EXISTS ${_scratch}/file)
    fail("@OUT@ was not written")
  endif()
  expect_same(${_scratch}/file ${FILE} "the written file")
endif()
file(REMOVE_RECURSE ${_scratch})
