# Worker login and password change logic: no Qt, tested headless.
add_library(remu_login STATIC ${CMAKE_CURRENT_SOURCE_DIR}/login.cpp)
target_include_directories(remu_login PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(remu_login PUBLIC remu_data remu_dbf remu_format remu_core)
# The administration login: a server account and a company database, no worker bound.
target_sources(remu_login PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/admin_login.cpp)

if(REMU_WITH_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Widgets PrintSupport Test)

  # The shell's dialogs and main window; the remu program and the GUI tests link it.
  add_library(remu_shell_gui STATIC
    ${CMAKE_CURRENT_SOURCE_DIR}/message_dialog.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/login_dialog.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/admin_login_dialog.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/password_dialog.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/main_window.cpp
    ${CMAKE_SOURCE_DIR}/resources/shell.qrc)
  set_target_properties(remu_shell_gui PROPERTIES AUTOMOC ON AUTORCC ON)
  target_link_libraries(remu_shell_gui PUBLIC remu_login remu_widgets Qt6::Widgets)


  add_executable(remu ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
  target_link_libraries(remu PRIVATE remu_shell_gui remu_startup Qt6::Widgets)
  target_compile_definitions(remu PRIVATE REMU_VERSION="${PROJECT_VERSION}")
  # The pay slip dialog plugs into the main window's toolbar once it is built:
  # library remu_payslip_dialog, header payslip/payslip_dialog.h with
  # void LIQUIDA(QWidget* parent, Session&, UiPort&).
  if(TARGET remu_payslip_dialog)
    target_link_libraries(remu PRIVATE remu_payslip_dialog)
    target_compile_definitions(remu PRIVATE REMU_HAVE_PAYSLIP_DIALOG)
  endif()
  # The worker's history (history/history_window.h, HISTORIAL).
  if(TARGET remu_history_window)
    target_link_libraries(remu PRIVATE remu_history_window)
    target_compile_definitions(remu PRIVATE REMU_HAVE_HISTORY_WINDOW)
  endif()

  # The worker file (personnel/editor_dialog.h), for the screenshots of its pages.
  if(TARGET remu_personnel_editor)
    target_link_libraries(remu PRIVATE remu_personnel_editor)
    target_compile_definitions(remu PRIVATE REMU_HAVE_WORKER_FILE)
  endif()

  # The worker list (PERSONAL) behind the toolbar's "Trabajador": personnel/list_dialog.h.
  if(TARGET remu_personnel_list_dialog)
    target_link_libraries(remu PRIVATE remu_personnel_list_dialog)
    target_compile_definitions(remu PRIVATE REMU_HAVE_PERSONNEL_LIST)
  endif()

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
