# Voluntary pension savings (APV): the plans without Qt; the AFP page's group, the plan
# dialog in Qt.
add_library(remu_personnel_apv STATIC ${CMAKE_CURRENT_LIST_DIR}/apv.cpp)
target_include_directories(remu_personnel_apv PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(remu_personnel_apv PUBLIC remu_data remu_format remu_core)

remu_add_test(apv_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/apv_test.cpp
  LIBS remu_personnel_apv remu_testdb DB)

if(REMU_WITH_GUI)
  add_library(remu_personnel_apv_group STATIC
    ${CMAKE_CURRENT_LIST_DIR}/apv_group.h ${CMAKE_CURRENT_LIST_DIR}/apv_group.cpp
    ${CMAKE_CURRENT_LIST_DIR}/apv_plan_dialog.h ${CMAKE_CURRENT_LIST_DIR}/apv_plan_dialog.cpp)
  set_target_properties(remu_personnel_apv_group PROPERTIES AUTOMOC ON)
  target_include_directories(remu_personnel_apv_group PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(remu_personnel_apv_group PUBLIC remu_personnel_apv remu_lookup_field remu_formula_help
    remu_widgets Qt6::Widgets)

  remu_add_test(apv_group_tests GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/apv_group_test.cpp
    LIBS remu_personnel_apv_group remu_testdb Qt6::Test DB)
endif()
