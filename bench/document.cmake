# Loading a document into the viewer's node tree beside a DOM load of the same bytes by
# pugixml, each load in its own child process so that peak memory is measured per load.
quillon_find_package(pugixml libpugixml-dev)
add_executable(bench_document ${CMAKE_CURRENT_SOURCE_DIR}/bench_document.cpp ${CMAKE_CURRENT_SOURCE_DIR}/BenchData.cpp)
target_link_libraries(bench_document PRIVATE quillon_document quillon_engine pugixml::pugixml)
