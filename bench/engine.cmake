# The whole calculation run of a generated 10,000-worker company on the private server.
add_executable(engine_bench ${CMAKE_CURRENT_LIST_DIR}/engine_bench.cpp)
target_include_directories(engine_bench PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(engine_bench PRIVATE remu_payroll remu_dbf remu_data)
