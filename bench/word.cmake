# Contract documents: one document including the word processor's start, and one with
# the session's word processor already running.
add_executable(word_bench ${CMAKE_CURRENT_LIST_DIR}/word_bench.cpp)
target_link_libraries(word_bench PRIVATE remu_documents benchmark::benchmark)
target_compile_definitions(word_bench PRIVATE REMU_SOURCE_DIR="${REMU_SOURCE_DIR}")
