# px_add_test(NAME name SOURCES a.cpp ... LIBS lib ... [AS_NOBODY])
# Builds one Qt Test executable into the build's test folder and registers it
# with CTest. Tests run headless: the offscreen platform is set here, so a bare
# `ctest` works as well as the test script. AS_NOBODY registers a second run,
# name_as_nobody, as the user nobody with group dialout (when CTest runs as
# root; as any other user it runs as that user): permission checks that root
# passes mean something only there.
function(px_add_test)
  cmake_parse_arguments(T "AS_NOBODY" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
  # The program's folder is the tests' one library path (every binary is
  # linked with its install path, CMakeLists.txt).
  set_target_properties(${T_NAME} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests
    INSTALL_RPATH "${PX_BIN_DIR}")
  target_compile_definitions(${T_NAME} PRIVATE
    PX_BIN_DIR="${PX_BIN_DIR}" PX_TEST_BIN_DIR="${CMAKE_BINARY_DIR}/tests")
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;PX_BIN_DIR=${PX_BIN_DIR}")
  if(T_AS_NOBODY)
    add_test(NAME ${T_NAME}_as_nobody
      COMMAND runas 65534 65534 20 $<TARGET_FILE:${T_NAME}>)
    add_dependencies(${T_NAME} runas)
    # nobody's home does not exist; the temporary files go to /tmp.
    set_tests_properties(${T_NAME}_as_nobody PROPERTIES TIMEOUT ${T_TIMEOUT}
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;PX_BIN_DIR=${PX_BIN_DIR};HOME=/tmp;TMPDIR=/tmp")
  endif()
endfunction()
