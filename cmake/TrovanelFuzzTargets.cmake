# trovanel_add_fuzz_target(<name> SOURCES <files...> LIBRARIES <targets...> CORPUS <folder>)
# One fuzz target: a program whose sources define LLVMFuzzerTestOneInput, and a test "<name>"
# that runs it once on every file of its corpus folder. In the fuzz build (TROVANEL_FUZZ) the
# program is a libFuzzer program and the test is its own replay (-runs=0); in every other build
# it is linked with our replay main, so that the plain and the sanitizer builds replay the
# corpus too. A fatal run-time report aborts the program (tests/fuzz_fatal_report.cpp).
function(trovanel_add_fuzz_target name)
  cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBRARIES" ${ARGN})
  if(NOT IS_DIRECTORY ${ARG_CORPUS})
    message(FATAL_ERROR "fuzz target ${name}: no corpus folder ${ARG_CORPUS}")
  endif()
  add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/fuzz_fatal_report.cpp)
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES})
  trovanel_sanitizer_defaults(${name})
  if(TROVANEL_FUZZ)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    add_test(NAME ${name} COMMAND ${name} -runs=0 ${ARG_CORPUS})
  else()
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/fuzz_replay_main.cpp)
    add_test(NAME ${name} COMMAND ${name} ${ARG_CORPUS})
  endif()
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 120)
endfunction()
