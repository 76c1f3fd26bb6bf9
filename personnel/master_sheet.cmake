# The personnel master spreadsheet (EXCEL_PERSON), without Qt.
add_library(remu_personnel_sheets STATIC ${CMAKE_CURRENT_LIST_DIR}/master_sheet.cpp)
target_include_directories(remu_personnel_sheets PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(remu_personnel_sheets PUBLIC remu_sheet remu_data remu_format remu_core)

remu_add_test(master_sheet_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/master_sheet_test.cpp
  LIBS remu_personnel_sheets remu_testdb DB LABELS sheet)
