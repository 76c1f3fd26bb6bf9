# The worker file (EDITA_PERSONAL): its buffer, rules, checks and save without Qt, and
# the five-page editor in Qt.
add_library(remu_personnel_file STATIC ${CMAKE_CURRENT_LIST_DIR}/worker_file.cpp)
target_include_directories(remu_personnel_file PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(remu_personnel_file PUBLIC remu_personnel_vacations remu_data remu_format remu_core)

remu_add_test(worker_file_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/worker_file_test.cpp
  LIBS remu_personnel_file remu_testdb DB)

if(REMU_WITH_GUI)
  add_library(remu_personnel_editor STATIC
    ${CMAKE_CURRENT_LIST_DIR}/editor_dialog.h ${CMAKE_CURRENT_LIST_DIR}/editor_dialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/editor_pages.h ${CMAKE_CURRENT_LIST_DIR}/editor_pages.cpp
    ${CMAKE_CURRENT_LIST_DIR}/personal_page.cpp ${CMAKE_CURRENT_LIST_DIR}/employment_page.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pension_page.cpp ${CMAKE_CURRENT_LIST_DIR}/health_page.cpp)
  set_target_properties(remu_personnel_editor PROPERTIES AUTOMOC ON)
  target_include_directories(remu_personnel_editor PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(remu_personnel_editor PUBLIC remu_personnel_file remu_personnel_vacations_page
    remu_personnel_apv_group remu_contfin_dialog remu_lookup_field remu_widgets Qt6::Widgets)

  remu_add_test(editor_dialog_tests GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/editor_dialog_test.cpp
    LIBS remu_personnel_editor remu_testdb Qt6::Test DB)
endif()
