# Vacations: the balance, the working-day count, the checks, the periods, the voucher
# and the balance sheet without Qt; the VACACIONES page and the period dialog in Qt.
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

if(REMU_WITH_GUI)
  add_library(remu_personnel_vacations_page STATIC
    ${CMAKE_CURRENT_LIST_DIR}/vacations_page.h ${CMAKE_CURRENT_LIST_DIR}/vacations_page.cpp
    ${CMAKE_CURRENT_LIST_DIR}/vacation_period_dialog.h ${CMAKE_CURRENT_LIST_DIR}/vacation_period_dialog.cpp)
  set_target_properties(remu_personnel_vacations_page PROPERTIES AUTOMOC ON)
  target_include_directories(remu_personnel_vacations_page PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(remu_personnel_vacations_page PUBLIC remu_personnel_vacations remu_widgets Qt6::Widgets)

  remu_add_test(vacations_page_tests GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/vacations_page_test.cpp
    LIBS remu_personnel_vacations_page remu_testdb Qt6::Test DB)
endif()
