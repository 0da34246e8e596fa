// Included ahead of every source of the fuzz build. clang before 15 lacks the builtin that
// libstdc++'s <source_location> is made of, so that header declares nothing there; this gives
// std::source_location to such a clang from the older builtins, whose default arguments name
// the place of the call as the standard one does.
#pragma once

#include <source_location>

#ifndef __cpp_lib_source_location
#include <cstdint>

namespace std {

struct source_location {
  static constexpr source_location current(uint_least32_t line = __builtin_LINE(),
                                           uint_least32_t column = __builtin_COLUMN(),
                                           const char* file = __builtin_FILE(),
                                           const char* function = __builtin_FUNCTION()) noexcept {
    source_location where;
    where.line_ = line;
    where.column_ = column;
    where.file_ = file;
    where.function_ = function;
    return where;
  }
  constexpr uint_least32_t line() const noexcept { return line_; }
  constexpr uint_least32_t column() const noexcept { return column_; }
  constexpr const char* file_name() const noexcept { return file_; }
  constexpr const char* function_name() const noexcept { return function_; }

 private:
  uint_least32_t line_ = 0;
  uint_least32_t column_ = 0;
  const char* file_ = "";
  const char* function_ = "";
};

}  // namespace std
#endif
