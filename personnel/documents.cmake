# Contract and settlement documents (CONTFIN): the logic without Qt and its dialog.
add_library(remu_documents STATIC ${CMAKE_CURRENT_LIST_DIR}/documents.cpp)
target_include_directories(remu_documents PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(remu_documents PUBLIC remu_word remu_data remu_format remu_core)

remu_add_test(documents_tests SINGLE DB
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/documents_test.cpp
  LIBS remu_documents remu_testdb PkgConfig::LIBZIP pugixml::pugixml LABELS office)

if(REMU_WITH_GUI)
  add_library(remu_contfin_dialog STATIC
    ${CMAKE_CURRENT_LIST_DIR}/contfin_dialog.h ${CMAKE_CURRENT_LIST_DIR}/contfin_dialog.cpp)
  set_target_properties(remu_contfin_dialog PROPERTIES AUTOMOC ON)
  target_include_directories(remu_contfin_dialog PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(remu_contfin_dialog PUBLIC remu_documents remu_widgets Qt6::Widgets)

  remu_add_test(contfin_dialog_tests SINGLE DB GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/contfin_dialog_test.cpp
    LIBS remu_contfin_dialog remu_testdb Qt6::Test LABELS office)
endif()
