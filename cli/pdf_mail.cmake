# remu-cli pdf / envio: PDF pay slips, mail queue and mass mailing.
target_sources(remu-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/pdf_mail.cpp)
target_link_libraries(remu-cli PRIVATE remu_payslip_pdf)
add_dependencies(remu-cli remu_sender)
