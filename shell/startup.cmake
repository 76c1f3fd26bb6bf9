# Start-up logic, no GUI: remu-cli runs it alone, the desktop client adds login and main window.
add_library(remu_startup STATIC ${CMAKE_CURRENT_LIST_DIR}/startup.cpp)
target_include_directories(remu_startup PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(remu_startup PUBLIC remu_core remu_format remu_dbf)

remu_add_test(startup_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/startup_test.cpp
  LIBS remu_startup PkgConfig::SHAPELIB)
