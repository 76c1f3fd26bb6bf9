# remu-cli documento: contract and settlement documents from word-processor templates.
target_sources(remu-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/documento.cpp)
target_link_libraries(remu-cli PRIVATE remu_documents)

remu_add_test(cli_documento_tests SINGLE DB
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/documento_test.cpp
  LIBS remu_dbf remu_testdb LABELS office)
target_compile_definitions(cli_documento_tests PRIVATE REMU_CLI_DIR="$<TARGET_FILE_DIR:remu-cli>")
add_dependencies(cli_documento_tests remu-cli)
