# What one pay slip shows (selection of lines, totals, header values), shared by every slip output.
add_library(remu_payslip_model STATIC ${CMAKE_CURRENT_LIST_DIR}/slip_model.cpp)
target_include_directories(remu_payslip_model PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(remu_payslip_model PUBLIC remu_core remu_format remu_data remu_dbf)
