# XML writer throughput beside libxml2's text writer producing the same indented document.
find_package(PkgConfig QUIET)
if(TARGET quillon_engine AND PkgConfig_FOUND)
  pkg_check_modules(BENCH_LIBXML2 QUIET IMPORTED_TARGET libxml-2.0)
  if(BENCH_LIBXML2_FOUND)
    add_executable(bench_xml_writer ${CMAKE_CURRENT_SOURCE_DIR}/bench_xml_writer.cpp)
    target_link_libraries(bench_xml_writer PRIVATE quillon_engine PkgConfig::BENCH_LIBXML2)
  endif()
endif()
