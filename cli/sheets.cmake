# remu-cli excel / nomina: the spreadsheet pay slip and the personnel master.
target_sources(remu-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/sheets.cpp)
target_link_libraries(remu-cli PRIVATE remu_payslip_sheet remu_personnel_sheets)

remu_add_test(cli_sheets_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/sheets_test.cpp
  LIBS remu_dbf remu_testdb
  DB LABELS sheet)
target_compile_definitions(cli_sheets_tests PRIVATE REMU_CLI_DIR="$<TARGET_FILE_DIR:remu-cli>")
add_dependencies(cli_sheets_tests remu-cli)
