# px_add_test(NAME name SOURCES a.cpp ... LIBS lib ...)
# Builds one Qt Test executable into the build's test folder and registers it
# with CTest. Tests run headless: the offscreen platform is set here, so a bare
# `ctest` works as well as the test script.
function(px_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
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
endfunction()
