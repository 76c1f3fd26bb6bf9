# The word processor (TWORD): a private headless LibreOffice Writer driven through UNO.
# The UNO C++ SDK is Debian's libreoffice-dev (found by the top CMakeLists.txt); its API
# headers are generated here from the installation's type libraries, only for the types
# remu uses.
set(REMU_UNO_TYPES
  com.sun.star.beans.PropertyValue com.sun.star.beans.XPropertySet
  com.sun.star.bridge.UnoUrlResolver com.sun.star.bridge.XUnoUrlResolver
  com.sun.star.connection.NoConnectException com.sun.star.container.XEnumeration
  com.sun.star.container.XEnumerationAccess com.sun.star.container.XIndexAccess
  com.sun.star.frame.Desktop com.sun.star.frame.XDesktop2 com.sun.star.frame.XModel com.sun.star.frame.XStorable
  com.sun.star.lang.DisposedException com.sun.star.lang.XComponent com.sun.star.table.XCell
  com.sun.star.text.XText com.sun.star.text.XTextContent com.sun.star.text.XTextDocument
  com.sun.star.text.XTextRange com.sun.star.text.XTextTable
  com.sun.star.uno.DeploymentException com.sun.star.uno.XComponentContext
  com.sun.star.util.XCloseable com.sun.star.util.XSearchDescriptor com.sun.star.util.XSearchable)
set(REMU_UNO_GEN ${CMAKE_CURRENT_BINARY_DIR}/uno)
list(TRANSFORM REMU_UNO_TYPES PREPEND "-T" OUTPUT_VARIABLE REMU_UNO_TYPE_ARGS)
add_custom_command(
  OUTPUT ${REMU_UNO_GEN}/stamp
  COMMAND ${CMAKE_COMMAND} -E make_directory ${REMU_UNO_GEN}
  COMMAND ${REMU_CPPUMAKER} -Gc -O${REMU_UNO_GEN} ${REMU_UNO_TYPE_ARGS}
          ${REMU_UNO_PROGRAM}/types.rdb ${REMU_UNO_PROGRAM}/types/offapi.rdb
  COMMAND ${CMAKE_COMMAND} -E touch ${REMU_UNO_GEN}/stamp
  DEPENDS ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Generating the UNO headers of the word processor"
  VERBATIM)
add_custom_target(remu_uno_headers DEPENDS ${REMU_UNO_GEN}/stamp)

add_library(remu_word STATIC ${CMAKE_CURRENT_LIST_DIR}/word_process.cpp ${CMAKE_CURRENT_LIST_DIR}/tword.cpp)
add_dependencies(remu_word remu_uno_headers)
target_include_directories(remu_word PUBLIC ${CMAKE_SOURCE_DIR})
target_include_directories(remu_word SYSTEM PRIVATE ${REMU_UNO_GEN} ${REMU_UNO_INCLUDE} ${REMU_UNO_TYPESIZES})
target_compile_definitions(remu_word PRIVATE LINUX UNX CPPU_ENV=gcc3)
# The UNO runtime libraries live beside LibreOffice's program.
target_link_libraries(remu_word PUBLIC remu_core
  ${REMU_UNO_CPPUHELPER} ${REMU_UNO_CPPU} ${REMU_UNO_SAL} "-Wl,-rpath,${REMU_UNO_PROGRAM}")

remu_add_test(word_tests SINGLE SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/tword_test.cpp
  LIBS remu_word PkgConfig::LIBZIP pugixml::pugixml LABELS office)
