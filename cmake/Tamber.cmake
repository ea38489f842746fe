# tamber_engine_library(NAME SOURCES … [DEPS …]): a static engine library
# tamber_NAME. Engine code sees src/ as its include root and no Qt at all.
function(tamber_engine_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(tamber_${name} STATIC ${ARG_SOURCES})
  target_include_directories(tamber_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  if(ARG_DEPS)
    target_link_libraries(tamber_${name} PUBLIC ${ARG_DEPS})
  endif()
  if(NOT name STREQUAL "base")
    target_link_libraries(tamber_${name} PUBLIC tamber_base)
  endif()
endfunction()

# tamber_gtest(NAME SOURCES … LIBS …): a GoogleTest suite registered with CTest.
function(tamber_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  set_target_properties(${name} PROPERTIES AUTOMOC OFF)
  target_compile_definitions(${name} PRIVATE TAMBER_FIXTURES="${PROJECT_SOURCE_DIR}/tests/fixtures")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# tamber_qtest(NAME SOURCES … LIBS …): a Qt Test suite, run offscreen.
function(tamber_qtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test)
  target_compile_definitions(${name} PRIVATE TAMBER_FIXTURES="${PROJECT_SOURCE_DIR}/tests/fixtures")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# tamber_fuzzer(NAME SOURCES … LIBS …): a libFuzzer target (TAMBER_FUZZ builds, clang).
function(tamber_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/fuzz)
endfunction()
