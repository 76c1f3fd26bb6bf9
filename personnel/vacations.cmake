# Vacations: the balance, the working-day count, the checks, the periods, the voucher
# and the balance sheet, without Qt.
add_library(remu_personnel_vacations STATIC
  ${CMAKE_CURRENT_LIST_DIR}/vacations.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vacation_voucher.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vacation_sheet.cpp)
target_include_directories(remu_personnel_vacations PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(remu_personnel_vacations PUBLIC remu_sheet remu_printjob remu_data remu_format remu_core)

remu_add_test(vacation_rules_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/vacation_rules_test.cpp
  LIBS remu_personnel_vacations)
remu_add_test(vacation_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/vacation_file_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tests/vacation_sheet_test.cpp
  LIBS remu_personnel_vacations remu_personnel_sheets remu_testdb DB LABELS sheet)

