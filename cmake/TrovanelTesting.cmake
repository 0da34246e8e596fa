# trovanel_add_test(<name> SOURCES <files...> LIBRARIES <targets...> [TIMEOUT <s>]
#                   [LABELS <labels...>] [ENVIRONMENT <VAR=value...>]
#                   [TSAN_SUPPRESSIONS <file>])
# One GoogleTest executable whose tests CTest runs one by one. The label "threads" marks the
# tests that tools/test.sh also runs under ThreadSanitizer; TSAN_SUPPRESSIONS names the file of
# ThreadSanitizer reports to ignore (only reports from inside libraries we do not build).
function(trovanel_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT;TSAN_SUPPRESSIONS" "SOURCES;LIBRARIES;LABELS;ENVIRONMENT"
                        ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gmock GTest::gtest_main)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  set(labels "")
  if(ARG_LABELS)
    set(labels LABELS "${ARG_LABELS}")
  endif()
  set(tsan_options "allocator_may_return_null=1:halt_on_error=1:second_deadlock_stack=1")
  if(ARG_TSAN_SUPPRESSIONS)
    string(APPEND tsan_options ":suppressions=${ARG_TSAN_SUPPRESSIONS}")
  endif()
  set(environment "ASAN_OPTIONS=allocator_may_return_null=1" "TSAN_OPTIONS=${tsan_options}"
      ${ARG_ENVIRONMENT})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES
      TIMEOUT ${ARG_TIMEOUT}
      ${labels}
      # A death test of heap exhaustion needs the allocator to answer with null.
      ENVIRONMENT "${environment}"
  )
endfunction()
