# The vacation balance sheet of 10,000 workers with five periods each.
add_executable(vacation_sheet_bench ${CMAKE_CURRENT_LIST_DIR}/vacation_sheet_bench.cpp)
target_include_directories(vacation_sheet_bench PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(vacation_sheet_bench PRIVATE remu_personnel_vacations remu_personnel_sheets remu_data)
