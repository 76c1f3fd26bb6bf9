# The worker file (EDITA_PERSONAL): its buffer, rules, checks and save without Qt, and
# the five-page editor in Qt.
add_library(remu_personnel_file STATIC ${CMAKE_CURRENT_LIST_DIR}/worker_file.cpp)
target_include_directories(remu_personnel_file PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(remu_personnel_file PUBLIC remu_personnel_vacations remu_data remu_format remu_core)

remu_add_test(worker_file_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/worker_file_test.cpp
  LIBS remu_personnel_file remu_testdb DB)
