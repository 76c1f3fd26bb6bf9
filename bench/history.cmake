# A worker's history of 24 months on a generated 10,000-worker company.
add_executable(history_bench ${CMAKE_CURRENT_LIST_DIR}/history_bench.cpp)
target_include_directories(history_bench PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(history_bench PRIVATE remu_history remu_payroll remu_sheet remu_data)
