# Start-up logic, no GUI: remu-cli runs it alone, the desktop client adds login and main window.
add_library(remu_startup STATIC ${CMAKE_CURRENT_LIST_DIR}/startup.cpp)
target_include_directories(remu_startup PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(remu_startup PUBLIC remu_core remu_format remu_dbf)

pkg_check_modules(STARTUP_SHAPELIB IMPORTED_TARGET shapelib)
if(STARTUP_SHAPELIB_FOUND)
  set(REMU_STARTUP_SHP PkgConfig::STARTUP_SHAPELIB)
else()
  find_library(REMU_STARTUP_SHP NAMES shp REQUIRED)
endif()
remu_add_test(startup_tests
  SOURCES ${CMAKE_SOURCE_DIR}/data/tests/startup_test.cpp
  LIBS remu_startup ${REMU_STARTUP_SHP})
