# The fuzz build (TROVANEL_FUZZ): the fuzz targets as libFuzzer programs under AddressSanitizer
# and UndefinedBehaviorSanitizer, built with clang, and nothing else of the project.
#
# The program's narrow literals are GBK bytes: GCC compiles them with -fexec-charset=GB18030.
# clang has no execution character set but UTF-8, so the fuzz build compiles GB18030 copies of
# the sources instead (cmake/TrovanelGb18030Copies.cmake).
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "TROVANEL_FUZZ needs clang and its libFuzzer: configure with "
                      "-DCMAKE_CXX_COMPILER=clang++-14")
endif()
if(TROVANEL_SANITIZE)
  message(FATAL_ERROR "TROVANEL_FUZZ brings its own sanitizers: leave TROVANEL_SANITIZE empty")
endif()

add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                    -fno-sanitize-recover=undefined -Wno-invalid-source-encoding)
add_link_options(-fsanitize=address,undefined)
# std::source_location for a clang older than 15.
add_compile_options(-include ${PROJECT_SOURCE_DIR}/tests/fuzz_source_location.h)

include(cmake/TrovanelGb18030Copies.cmake)
