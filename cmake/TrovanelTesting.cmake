# trovanel_add_test(<name> SOURCES <files...> LIBRARIES <targets...> [TIMEOUT <s>]
#                   [LABELS <labels...>])
# One GoogleTest executable whose tests CTest runs one by one. The label "threads" marks the
# tests that tools/test.sh also runs under ThreadSanitizer.
function(trovanel_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBRARIES;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gmock GTest::gtest_main)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  set(labels "")
  if(ARG_LABELS)
    set(labels LABELS "${ARG_LABELS}")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES
      TIMEOUT ${ARG_TIMEOUT}
      ${labels}
      # A death test of heap exhaustion needs the allocator to answer with null.
      ENVIRONMENT "ASAN_OPTIONS=allocator_may_return_null=1;TSAN_OPTIONS=allocator_may_return_null=1:halt_on_error=1:second_deadlock_stack=1"
  )
endfunction()
