# Code lookup logic (FILTRA, SKIPPER) over the recordset; its dialog lives with the widgets.
add_library(remu_lookup STATIC ${CMAKE_CURRENT_LIST_DIR}/lookup.cpp)
target_include_directories(remu_lookup PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(remu_lookup PUBLIC remu_data remu_format remu_core)

remu_add_test(lookup_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/lookup_test.cpp
  LIBS remu_lookup remu_testdb DB)
