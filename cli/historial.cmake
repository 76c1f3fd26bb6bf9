# remu-cli historial: a worker's pay month by month (the history's tests run it too).
target_sources(remu-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/historial.cpp)
target_link_libraries(remu-cli PRIVATE remu_history)
