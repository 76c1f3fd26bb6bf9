# The worker list (PERSONAL): its logic without Qt, and its screen.
add_library(remu_personnel_list STATIC ${CMAKE_CURRENT_LIST_DIR}/personnel_list.cpp)
target_include_directories(remu_personnel_list PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(remu_personnel_list PUBLIC remu_lookup remu_data remu_format remu_core)

remu_add_test(personnel_list_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/personnel_list_test.cpp
  LIBS remu_personnel_list remu_testdb DB)

if(REMU_WITH_GUI)
  set(REMU_PERSONNEL_LIST_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/list_dialog.h ${CMAKE_CURRENT_LIST_DIR}/list_dialog.cpp)
  add_library(remu_personnel_list_dialog STATIC ${REMU_PERSONNEL_LIST_SOURCES})
  set_target_properties(remu_personnel_list_dialog PROPERTIES AUTOMOC ON)
  target_include_directories(remu_personnel_list_dialog PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(remu_personnel_list_dialog PUBLIC
    remu_personnel_list remu_personnel_editor remu_personnel_sheets remu_personnel_vacations remu_widgets Qt6::Widgets)

  remu_add_test(personnel_list_dialog_tests GUI DB
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/list_dialog_test.cpp
    LIBS remu_personnel_list_dialog remu_testdb Qt6::Test)
endif()
