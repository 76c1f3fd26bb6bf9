# Worker login and password change logic: no Qt, tested headless.
add_library(remu_login STATIC ${CMAKE_CURRENT_SOURCE_DIR}/login.cpp)
target_include_directories(remu_login PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(remu_login PUBLIC remu_data remu_dbf remu_format remu_core)
# The administration login: a server account and a company database, no worker bound.
target_sources(remu_login PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/admin_login.cpp)

if(REMU_WITH_GUI)
  # The shell's dialogs and main window; the remu program and the GUI tests link it.
  add_library(remu_shell_gui STATIC
    ${CMAKE_CURRENT_SOURCE_DIR}/shell_widgets.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/message_dialog.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/login_dialog.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/admin_login_dialog.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/password_dialog.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/main_window.cpp
    ${CMAKE_SOURCE_DIR}/resources/shell.qrc)
  set_target_properties(remu_shell_gui PROPERTIES AUTOMOC ON AUTORCC ON)
  target_link_libraries(remu_shell_gui PUBLIC remu_login remu_widgets Qt6::Widgets)

  # The program: the shell, and the screens of the other folders its toolbar opens (the pay
  # slip dialog, the worker's history, the worker list and the worker file).
  add_executable(remu ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
  target_link_libraries(remu PRIVATE remu_shell_gui remu_startup remu_payslip_dialog remu_history_window
    remu_personnel_list_dialog remu_personnel_editor Qt6::Widgets)
  target_compile_definitions(remu PRIVATE REMU_VERSION="${PROJECT_VERSION}")

  remu_add_test(login_tests
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/login_test.cpp
    LIBS remu_shell_gui remu_testdb Qt6::Test
    DB GUI)
  remu_add_test(admin_login_tests
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/admin_login_test.cpp
    LIBS remu_shell_gui remu_testdb Qt6::Test
    DB GUI)
  remu_add_test(main_window_tests
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/main_window_test.cpp
    LIBS remu_shell_gui remu_testdb Qt6::Test
    DB GUI)
endif()
