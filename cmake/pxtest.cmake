# German number, date and time forms for tests that also run under
# LC_ALL=de_DE.UTF-8. Qt takes the locale from the environment; the C
# library needs the locale's data for its own formatting, which localedef
# builds into the build tree, so the machine needs no generated locales.
set(PX_LOCALE_DIR ${CMAKE_BINARY_DIR}/locale)
find_program(PX_LOCALEDEF localedef)
if(PX_LOCALEDEF)
  add_custom_command(OUTPUT ${PX_LOCALE_DIR}/de_DE.stamp
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PX_LOCALE_DIR}
    COMMAND sh -c "'${PX_LOCALEDEF}' -i de_DE -f UTF-8 '${PX_LOCALE_DIR}/de_DE.UTF-8' || true"
    COMMAND ${CMAKE_COMMAND} -E touch ${PX_LOCALE_DIR}/de_DE.stamp
    COMMENT "Building the de_DE.UTF-8 locale for the tests")
  add_custom_target(px_locale_de DEPENDS ${PX_LOCALE_DIR}/de_DE.stamp)
endif()

# px_add_test(NAME name SOURCES a.cpp ... LIBS lib ... [TIMEOUT s] [GERMAN])
# Builds one Qt Test executable into the build's test folder and registers it
# with CTest. Tests run headless: the offscreen platform is set here, so a bare
# `ctest` works as well as the test script. GERMAN registers a second run,
# name_de, under LC_ALL=de_DE.UTF-8.
function(px_add_test)
  cmake_parse_arguments(T "GERMAN" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
  set_target_properties(${T_NAME} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests
    BUILD_RPATH "${PX_BIN_DIR}")
  target_compile_definitions(${T_NAME} PRIVATE
    PX_BIN_DIR="${PX_BIN_DIR}" PX_TEST_BIN_DIR="${CMAKE_BINARY_DIR}/tests")
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;PX_BIN_DIR=${PX_BIN_DIR}")
  if(T_GERMAN)
    if(TARGET px_locale_de)
      add_dependencies(${T_NAME} px_locale_de)
    endif()
    add_test(NAME ${T_NAME}_de COMMAND ${T_NAME})
    set_tests_properties(${T_NAME}_de PROPERTIES TIMEOUT ${T_TIMEOUT}
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;PX_BIN_DIR=${PX_BIN_DIR};LC_ALL=de_DE.UTF-8;LOCPATH=${PX_LOCALE_DIR}")
  endif()
endfunction()
