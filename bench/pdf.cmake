# PDF pay slips at the size of the benchmark company (10,000 workers), engine excluded.
add_executable(pdf_bench ${CMAKE_CURRENT_LIST_DIR}/pdf_bench.cpp)
target_link_libraries(pdf_bench PRIVATE remu_payslip_pdf benchmark::benchmark)
