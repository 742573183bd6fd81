# SAX parsing throughput beside expat and libxml2's SAX2 parser on the same generated documents,
# in process and as whole processes (quillon-cli sax --count against an expat counter).
quillon_find_package(EXPAT libexpat1-dev)
quillon_find_package(LibXml2 libxml2-dev)
add_executable(bench_sax ${CMAKE_CURRENT_SOURCE_DIR}/bench_sax.cpp ${CMAKE_CURRENT_SOURCE_DIR}/BenchData.cpp)
target_link_libraries(bench_sax PRIVATE quillon_engine EXPAT::EXPAT LibXml2::LibXml2)
target_compile_definitions(bench_sax PRIVATE QUILLON_CLI="$<TARGET_FILE:quillon-cli>")
add_dependencies(bench_sax quillon-cli)
