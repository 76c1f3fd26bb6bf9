# remu-cli against odd names, silent servers, shared folders and killed runs.
remu_add_test(cli_hardening_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/hardening_test.cpp
  LIBS remu_dbf remu_testdb
  DB)
target_compile_definitions(cli_hardening_tests PRIVATE REMU_CLI_DIR="$<TARGET_FILE_DIR:remu-cli>"
  REMU_SENDER_EXE="$<TARGET_FILE:remu_sender>")
target_include_directories(cli_hardening_tests PRIVATE ${CMAKE_SOURCE_DIR})
add_dependencies(cli_hardening_tests remu-cli remu_sender)
