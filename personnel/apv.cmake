# Voluntary pension savings (APV): the plans without Qt.
add_library(remu_personnel_apv STATIC ${CMAKE_CURRENT_LIST_DIR}/apv.cpp)
target_include_directories(remu_personnel_apv PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(remu_personnel_apv PUBLIC remu_data remu_format remu_core)

remu_add_test(apv_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/apv_test.cpp
  LIBS remu_personnel_apv remu_testdb DB)
