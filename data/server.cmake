# Server access: connection, recordset and its criteria, SQL composition and the query helpers.
add_library(remu_data STATIC
  ${CMAKE_CURRENT_LIST_DIR}/value.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sql.cpp
  ${CMAKE_CURRENT_LIST_DIR}/connection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/recordset.cpp
  ${CMAKE_CURRENT_LIST_DIR}/criteria.cpp
  ${CMAKE_CURRENT_LIST_DIR}/query.cpp
  ${CMAKE_CURRENT_LIST_DIR}/personnel_table.cpp)
target_include_directories(remu_data PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(remu_data PUBLIC remu_core remu_format PRIVATE PkgConfig::MARIADB)

remu_add_test(data_server_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/server_recordset_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tests/server_query_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tests/personnel_table_test.cpp
  LIBS remu_data remu_testdb
  DB)

remu_add_test(data_criteria_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/criteria_test.cpp
  LIBS remu_data)
