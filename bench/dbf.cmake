# Work table writing and reading at the size of a whole company's run.
add_executable(dbf_bench ${CMAKE_CURRENT_LIST_DIR}/dbf_bench.cpp)
target_link_libraries(dbf_bench PRIVATE remu_dbf benchmark::benchmark)
