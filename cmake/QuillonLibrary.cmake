# quillon_library(NAME [QT] [DEPS lib...]): a static library from every .cpp in the current
# folder. A folder without sources yet becomes an interface library, so that the layering
# can be declared before the code exists.
function(quillon_library NAME)
  cmake_parse_arguments(ARG "QT" "" "DEPS" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(_sources)
    add_library(${NAME} STATIC ${_sources})
    target_include_directories(${NAME} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${NAME} PUBLIC ${ARG_DEPS})
  else()
    add_library(${NAME} INTERFACE)
    target_include_directories(${NAME} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${NAME} INTERFACE ${ARG_DEPS})
  endif()
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
