# trovanel_add_test(<name> SOURCES <files...> LIBRARIES <targets...> [TIMEOUT <s>]
#                   [LABELS <labels...>] [TSAN_SUPPRESSIONS <file>] [LSAN_SUPPRESSIONS <file>])
# One GoogleTest executable whose tests CTest runs one by one. The label "threads" marks the
# tests that tools/test.sh also runs under ThreadSanitizer. The suppressions files name the
# sanitizer reports to ignore, only ever reports from inside libraries we do not build.
function(trovanel_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT;TSAN_SUPPRESSIONS;LSAN_SUPPRESSIONS"
                        "SOURCES;LIBRARIES;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gmock GTest::gtest_main)
  trovanel_sanitizer_defaults(${name}
    TSAN_SUPPRESSIONS "${ARG_TSAN_SUPPRESSIONS}" LSAN_SUPPRESSIONS "${ARG_LSAN_SUPPRESSIONS}")
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
  )
endfunction()

# trovanel_sanitizer_defaults(<target> [TSAN_SUPPRESSIONS <file>] [LSAN_SUPPRESSIONS <file>])
# Compiles the tests' sanitizer options into a program (tests/sanitizer_defaults.cpp). They are
# built in rather than set in the tests' environment because gtest_discover_tests passes on only
# the first variable of an ENVIRONMENT list.
function(trovanel_sanitizer_defaults target)
  cmake_parse_arguments(ARG "" "TSAN_SUPPRESSIONS;LSAN_SUPPRESSIONS" "" ${ARGN})
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/sanitizer_defaults.cpp)
  if(ARG_TSAN_SUPPRESSIONS)
    target_compile_definitions(${target} PRIVATE
      TROVANEL_TSAN_SUPPRESSIONS="${ARG_TSAN_SUPPRESSIONS}")
  endif()
  if(ARG_LSAN_SUPPRESSIONS)
    target_compile_definitions(${target} PRIVATE
      TROVANEL_LSAN_SUPPRESSIONS="${ARG_LSAN_SUPPRESSIONS}")
  endif()
endfunction()
