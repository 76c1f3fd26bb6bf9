# PDF pay slips, the mail queue and the mass mailing (no Qt).
add_library(remu_payslip_pdf STATIC
  ${CMAKE_CURRENT_LIST_DIR}/pdf_slip.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pdf_protect.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mail_queue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mass_mail.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mail_account.cpp)
target_include_directories(remu_payslip_pdf PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(remu_payslip_pdf PRIVATE REMU_SENDER_BUILD="$<TARGET_FILE:remu_sender>"
  POINTERHOLDER_TRANSITION=4)
target_link_libraries(remu_payslip_pdf PUBLIC remu_payslip_model remu_pdf remu_data remu_dbf remu_format remu_core
  PRIVATE PkgConfig::QPDF)

remu_add_test(pdf_slip_model_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/pdf_slip_model_test.cpp
  LIBS remu_payslip_model remu_testdb)
remu_add_test(pdf_slip_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/pdf_slip_test.cpp
  LIBS remu_payslip_pdf remu_testdb DB)
remu_add_test(mail_mass_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/mail_mass_test.cpp
  LIBS remu_payslip_pdf remu_testdb DB)
target_compile_definitions(mail_mass_tests PRIVATE REMU_SENDER_EXE="$<TARGET_FILE:remu_sender>")
add_dependencies(mail_mass_tests remu_sender)
remu_add_test(pdf_protect_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/pdf_protect_test.cpp
  LIBS remu_payslip_pdf remu_testdb DB)
target_compile_definitions(pdf_protect_tests PRIVATE REMU_SENDER_EXE="$<TARGET_FILE:remu_sender>")
add_dependencies(pdf_protect_tests remu_sender)
