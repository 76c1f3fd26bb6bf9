# remu-cli historial: a worker's pay month by month.
if(TARGET remu-cli AND TARGET remu_history)
  target_sources(remu-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/historial.cpp)
  target_link_libraries(remu-cli PRIVATE remu_history)
endif()

# The history's tests also run the command.
if(TARGET remu-cli AND TARGET history_tests)
  target_compile_definitions(history_tests PRIVATE REMU_CLI_DIR="$<TARGET_FILE_DIR:remu-cli>")
  add_dependencies(history_tests remu-cli)
endif()
