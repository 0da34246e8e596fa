// Checks inside fuzz targets: conditions that hold for every input. A failed one names itself
// on standard error and aborts, so that libFuzzer keeps the input and a replay fails.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

[[noreturn]] inline void FuzzCheckFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, condition);
  std::abort();
}

#define FUZZ_CHECK(condition) \
  ((condition) ? void() : FuzzCheckFailed(#condition, __FILE__, __LINE__))

// Whether part occurs in whole as it stands (the empty text occurs everywhere).
inline bool IsPartOf(std::string_view part, std::string_view whole) {
  return whole.find(part) != std::string_view::npos;
}
