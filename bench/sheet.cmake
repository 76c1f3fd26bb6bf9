# The spreadsheet pay slip of the 10,000-worker benchmark company, engine included.
add_executable(sheet_bench ${CMAKE_CURRENT_LIST_DIR}/sheet_bench.cpp)
target_include_directories(sheet_bench PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(sheet_bench PRIVATE remu_payslip_sheet remu_payroll remu_dbf remu_data)
