# quillon_library(NAME [DEPS lib...]): a static library from every .cpp in the current folder.
function(quillon_library NAME)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT _sources)
    message(FATAL_ERROR "${NAME}: no sources in ${CMAKE_CURRENT_SOURCE_DIR}")
  endif()
  add_library(${NAME} STATIC ${_sources})
  target_include_directories(${NAME} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${NAME} PUBLIC ${ARG_DEPS})
endfunction()

# Includes every *.cmake fragment of the current folder, so that each area (engine tests,
# editor tests, a benchmark) owns its own build file and nobody edits a shared list.
macro(quillon_include_fragments)
  file(GLOB _fragments CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cmake)
  list(SORT _fragments)
  foreach(_f IN LISTS _fragments)
    include(${_f})
  endforeach()
endmacro()

# quillon_find_package(NAME DEBIAN_PACKAGES [find_package arguments...]): a package the build
# needs. When it is missing the configuration stops and names what to install, rather than
# leaving out the targets that use it.
macro(quillon_find_package _name _debian)
  find_package(${_name} ${ARGN} QUIET)
  if(NOT ${_name}_FOUND)
    message(FATAL_ERROR "${_name} not found: install the Debian package(s) ${_debian} "
                        "(scripts/bootstrap.sh installs everything the build needs)")
  endif()
endmacro()
