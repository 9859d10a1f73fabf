# hv_add_test_suite(NAME <target> LABEL <component> SOURCES <files...> LIBS <libs...>)
# One GoogleTest binary per component suite; every test case becomes a CTest
# test carrying the component's label, so `ctest -L portlib` runs one component.
# Extra LABELS (for example "tsan") mark suites that the thread-sanitizer run takes.
function(hv_add_test_suite)
  if(NOT HV_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "NAME;LABEL;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  # The ThreadSanitizer tree builds only the suites that share state between threads.
  if(HV_SANITIZE STREQUAL "thread" AND NOT "tsan" IN_LIST T_LABELS)
    return()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  include(GoogleTest)
  gtest_discover_tests(${T_NAME}
    PROPERTIES TIMEOUT ${T_TIMEOUT}
    DISCOVERY_TIMEOUT 60)
  # gtest_discover_tests splits a list-valued property into separate
  # arguments (LABELS "a;b" became LABELS a, b=...), so the labels are set by
  # a script that ctest includes after the discovered tests.
  set(labels_file ${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}_labels.cmake)
  file(WRITE ${labels_file}
    "if(${T_NAME}_TESTS)\n  set_tests_properties(\${${T_NAME}_TESTS} PROPERTIES LABELS \"${T_LABEL};${T_LABELS}\")\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${labels_file})
endfunction()

# hv_component_tests(DIR <dir> NAME <suite> LABEL <component> LIBS <libs...>)
# Globs <dir>/*.cpp into one suite. Files named *ThreadTest.cpp go into a
# second suite <suite>_threads that also carries the "tsan" label, so the
# ThreadSanitizer run builds and runs only the code that shares state.
function(hv_component_tests)
  if(NOT HV_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(C "" "DIR;NAME;LABEL" "LIBS" ${ARGN})
  file(GLOB all CONFIGURE_DEPENDS ${C_DIR}/*.cpp)
  set(threaded)
  set(plain)
  foreach(f ${all})
    if(f MATCHES "ThreadTest\\.cpp$")
      list(APPEND threaded ${f})
    else()
      list(APPEND plain ${f})
    endif()
  endforeach()
  if(plain)
    hv_add_test_suite(NAME ${C_NAME} LABEL ${C_LABEL} SOURCES ${plain} LIBS ${C_LIBS})
  endif()
  if(threaded)
    hv_add_test_suite(NAME ${C_NAME}_threads LABEL ${C_LABEL} LABELS tsan SOURCES ${threaded} LIBS ${C_LIBS})
  endif()
endfunction()
