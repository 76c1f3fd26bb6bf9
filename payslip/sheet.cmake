# The spreadsheet pay slip (LIQUI_EXCEL), without Qt (the pay slip dialog's button "Excel").
add_library(remu_payslip_sheet STATIC ${CMAKE_CURRENT_LIST_DIR}/sheet_slip.cpp)
target_include_directories(remu_payslip_sheet PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(remu_payslip_sheet PUBLIC remu_payslip_model remu_sheet remu_data remu_dbf remu_format remu_core)

remu_add_test(sheet_slip_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/sheet_slip_test.cpp
  LIBS remu_payslip_sheet remu_payroll remu_testdb DB LABELS sheet)
