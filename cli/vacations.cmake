# remu-cli saldo-vacaciones: the vacation balance spreadsheet.
target_sources(remu-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/vacations.cpp)
target_link_libraries(remu-cli PRIVATE remu_personnel_vacations remu_personnel_sheets)
