# trovanel_add_fuzz_target(<name> SOURCES <files...> LIBRARIES <targets...> CORPUS <folder>)
# One fuzz target: a program whose sources define LLVMFuzzerTestOneInput, linked with our replay
# main, and a test "<name>" that runs it once on every file of its corpus folder, so that every
# build replays the corpus. A fatal run-time report aborts the program
# (tests/fuzz_fatal_report.cpp).
function(trovanel_add_fuzz_target name)
  cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBRARIES" ${ARGN})
  if(NOT IS_DIRECTORY ${ARG_CORPUS})
    message(FATAL_ERROR "fuzz target ${name}: no corpus folder ${ARG_CORPUS}")
  endif()
  add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/fuzz_fatal_report.cpp
                 ${PROJECT_SOURCE_DIR}/tests/fuzz_replay_main.cpp)
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES})
  trovanel_sanitizer_defaults(${name})
  add_test(NAME ${name} COMMAND ${name} ${ARG_CORPUS})
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 120)
endfunction()
