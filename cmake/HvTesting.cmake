include(${PROJECT_SOURCE_DIR}/tools/testtools/ProgramPaths.cmake)

# hv_add_test_suite(NAME <target> LABEL <component> SOURCES <files...> LIBS <libs...>)
# One GoogleTest binary per component suite; every test case becomes a CTest
# test carrying the component's label, so `ctest -L portlib` runs one component.
# Each suite knows the paths of the programs it may start (hv_program_paths).
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
  hv_program_paths(${T_NAME})
  include(GoogleTest)
  gtest_discover_tests(${T_NAME}
    PROPERTIES LABELS "${T_LABEL}" TIMEOUT ${T_TIMEOUT}
    DISCOVERY_TIMEOUT 60)
  if(T_LABELS)
    # gtest_discover_tests flattens a list given as a property value ("a;b"
    # would become the label "a" and a stray property "b"), so the full label
    # list is set by a script that CTest reads after the discovered tests.
    set(label_script "${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}_labels.cmake")
    file(WRITE "${label_script}"
      "foreach(t IN LISTS ${T_NAME}_TESTS)\n"
      "  set_tests_properties(\"\${t}\" PROPERTIES LABELS \"${T_LABEL};${T_LABELS}\")\n"
      "endforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${label_script}")
  endif()
endfunction()

# hv_component_tests(DIR <dir> NAME <suite> LABEL <component> LIBS <libs...>)
# Globs <dir>/*.cpp into one suite. Files named *ThreadTest.cpp go into a
# second suite <suite>_threads that also carries the "tsan" label, so the
# ThreadSanitizer run builds and runs only the code that shares state.
# Files named *SlowTest.cpp (waits of real length, minutes) go into a suite
# <suite>_slow labelled "slow", with a time-out of 420 s: a quick local run
# leaves them out with -LE slow.
function(hv_component_tests)
  if(NOT HV_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(C "" "DIR;NAME;LABEL" "LIBS" ${ARGN})
  file(GLOB all CONFIGURE_DEPENDS ${C_DIR}/*.cpp)
  set(threaded)
  set(plain)
  set(slow)
  foreach(f ${all})
    if(f MATCHES "SlowTest\\.cpp$")
      list(APPEND slow ${f})
    elseif(f MATCHES "ThreadTest\\.cpp$")
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
  if(slow AND NOT HV_SANITIZE STREQUAL "thread")
    hv_add_test_suite(NAME ${C_NAME}_slow LABEL ${C_LABEL} LABELS slow TIMEOUT 420 SOURCES ${slow} LIBS ${C_LIBS})
  endif()
endfunction()

# hv_test_timeout(SUITE <target> TEST <Suite.Case> SECONDS <n>)
# A longer time-out for one test case of a suite made by hv_add_test_suite: a
# case that is slow by nature (a sweep through a real process), whose time
# grows on a loaded machine. Read by CTest after the suite's discovered tests.
function(hv_test_timeout)
  if(NOT HV_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "SUITE;TEST;SECONDS" "" ${ARGN})
  if(NOT TARGET ${T_SUITE})
    return()
  endif()
  set(script "${CMAKE_CURRENT_BINARY_DIR}/${T_SUITE}_timeout_${T_TEST}.cmake")
  file(WRITE "${script}"
    "foreach(t IN LISTS ${T_SUITE}_TESTS)\n"
    "  if(t STREQUAL \"${T_TEST}\")\n"
    "    set_tests_properties(\"\${t}\" PROPERTIES TIMEOUT ${T_SECONDS})\n"
    "  endif()\n"
    "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${script}")
endfunction()

# hv_offscreen_tests(<suite>)
# Runs the Qt suite's tests on the offscreen platform, with LeakSanitizer
# told of Qt's and fontconfig's caches.
function(hv_offscreen_tests suite)
  if(NOT TARGET ${suite})
    return()
  endif()
  set(env_script "${CMAKE_CURRENT_BINARY_DIR}/${suite}_env.cmake")
  file(WRITE "${env_script}"
    "foreach(t IN LISTS ${suite}_TESTS)\n"
    "  set_tests_properties(\"\${t}\" PROPERTIES ENVIRONMENT \"QT_QPA_PLATFORM=offscreen;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/scripts/lsan.supp\")\n"
    "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${env_script}")
endfunction()
