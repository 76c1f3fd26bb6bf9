# Spreadsheets: the sheet interface, the .xlsx writer (libxlsxwriter) and the recording sheet of the tests.
add_library(remu_sheet STATIC
  ${CMAKE_CURRENT_LIST_DIR}/sheet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cell_sheet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xlsx_sheet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/recording_sheet.cpp)
target_include_directories(remu_sheet PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(remu_sheet PUBLIC remu_core PRIVATE PkgConfig::XLSXWRITER)

remu_add_test(sheet_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/sheet_test.cpp ${CMAKE_CURRENT_LIST_DIR}/tests/xlsx_sheet_test.cpp
  LIBS remu_sheet
  LABELS sheet)
