# Printed pay slip (LIQUIDA2) without Qt, and the pay slip screens in Qt.
add_library(remu_payslip_printed STATIC ${CMAKE_CURRENT_LIST_DIR}/printed_slip.cpp ${CMAKE_CURRENT_LIST_DIR}/liquida.cpp)
target_include_directories(remu_payslip_printed PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(remu_payslip_printed PUBLIC remu_payslip_model remu_printjob remu_data remu_dbf remu_format remu_core)

remu_add_test(printed_slip_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/printed_slip_test.cpp
  LIBS remu_payslip_printed remu_testdb DB)

if(REMU_WITH_GUI)
  # The pay slip dialog with its buttons' outputs (printed, spreadsheet and PDF slips, mass
  # mailing), the progress dialog of the engine and the explanation of a slip's amounts.
  add_library(remu_payslip_dialog STATIC
    ${CMAKE_CURRENT_LIST_DIR}/payslip_dialog.h ${CMAKE_CURRENT_LIST_DIR}/payslip_dialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/progress_dialog.h ${CMAKE_CURRENT_LIST_DIR}/progress_dialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/explain_dialog.h ${CMAKE_CURRENT_LIST_DIR}/explain_dialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mailing_dialog.h ${CMAKE_CURRENT_LIST_DIR}/mailing_dialog.cpp)
  set_target_properties(remu_payslip_dialog PROPERTIES AUTOMOC ON)
  target_include_directories(remu_payslip_dialog PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(remu_payslip_dialog PUBLIC remu_payslip_printed remu_payslip_sheet remu_payslip_pdf
    remu_lookup_dialog remu_payroll remu_widgets Qt6::Widgets)

  remu_add_test(payslip_dialog_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/dialog_test.cpp
    LIBS remu_payslip_dialog remu_testdb DB GUI)
  remu_add_test(mailing_dialog_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/mailing_dialog_test.cpp
    LIBS remu_payslip_dialog GUI)
endif()
