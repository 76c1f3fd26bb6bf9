# remu-cli: the dispatcher and the "calcula" command. Other command families add
# their sources with target_sources(remu-cli ...) from their own fragment.
add_executable(remu-cli
  ${CMAKE_CURRENT_LIST_DIR}/main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/company_month.cpp
  ${CMAKE_CURRENT_LIST_DIR}/calcula.cpp)
target_include_directories(remu-cli PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(remu-cli PRIVATE remu_payroll remu_payslip_text remu_dbf remu_data remu_format remu_core)
target_compile_definitions(remu-cli PRIVATE REMU_VERSION="${PROJECT_VERSION}")

remu_add_test(cli_calcula_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/calcula_test.cpp
  LIBS remu_dbf remu_testdb
  DB)
target_compile_definitions(cli_calcula_tests PRIVATE REMU_CLI_DIR="$<TARGET_FILE_DIR:remu-cli>")
add_dependencies(cli_calcula_tests remu-cli)
