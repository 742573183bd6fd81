# XML writer throughput beside libxml2's text writer producing the same indented document.
quillon_find_package(LibXml2 libxml2-dev)
add_executable(bench_xml_writer ${CMAKE_CURRENT_SOURCE_DIR}/bench_xml_writer.cpp)
target_link_libraries(bench_xml_writer PRIVATE quillon_engine LibXml2::LibXml2)
