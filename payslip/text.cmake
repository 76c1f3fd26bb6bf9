# The pay slip as text for a terminal (remu-cli calcula --mostrar).
add_library(remu_payslip_text STATIC ${CMAKE_CURRENT_LIST_DIR}/text_slip.cpp)
target_include_directories(remu_payslip_text PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(remu_payslip_text PUBLIC remu_payslip_model remu_format remu_core)

remu_add_test(text_slip_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/text_slip_test.cpp LIBS remu_payslip_text)
