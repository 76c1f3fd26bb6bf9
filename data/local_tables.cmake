# Local dBASE tables on shapelib's DBF API.
add_library(remu_dbf STATIC
  ${CMAKE_CURRENT_LIST_DIR}/dbf_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/local_tables.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/work_tables.cpp
  ${CMAKE_CURRENT_LIST_DIR}/work_table_rows.cpp
  ${CMAKE_CURRENT_LIST_DIR}/work_folder.cpp)
target_include_directories(remu_dbf PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(remu_dbf PUBLIC remu_core remu_format PRIVATE PkgConfig::SHAPELIB)

remu_add_test(dbf_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/dbf_table_test.cpp ${CMAKE_CURRENT_LIST_DIR}/tests/dbf_work_tables_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/settings_table_test.cpp ${CMAKE_CURRENT_LIST_DIR}/tests/work_table_width_test.cpp
  LIBS remu_dbf PkgConfig::SHAPELIB)
