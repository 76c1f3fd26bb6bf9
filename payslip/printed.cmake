# Printed pay slip (LIQUIDA2) without Qt, and the pay slip screens in Qt.
add_library(remu_payslip_printed STATIC ${CMAKE_CURRENT_LIST_DIR}/printed_slip.cpp)
target_include_directories(remu_payslip_printed PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(remu_payslip_printed PUBLIC remu_payslip_model remu_printjob remu_data remu_dbf remu_format remu_core)

remu_add_test(printed_slip_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/printed_slip_test.cpp
  LIBS remu_payslip_printed remu_testdb DB)
