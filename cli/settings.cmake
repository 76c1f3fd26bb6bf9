# remu-cli conexion / correo / cola: the settings tables of the working folder.
target_sources(remu-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/settings.cpp)
target_link_libraries(remu-cli PRIVATE remu_payslip_pdf)

remu_add_test(cli_settings_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/settings_test.cpp
  LIBS remu_dbf)
target_compile_definitions(cli_settings_tests PRIVATE REMU_CLI_DIR="$<TARGET_FILE_DIR:remu-cli>")
add_dependencies(cli_settings_tests remu-cli)
