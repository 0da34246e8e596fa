// What a piece of a test writes on standard output and standard error, for tests that run the
// programs' code in their own process.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>

struct CapturedOutput {
  std::string out;
  std::string err;
};

// Runs `run` with both streams captured and returns what they received.
template <typename Run>
CapturedOutput CaptureOutput(Run&& run) {
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  std::forward<Run>(run)();
  std::fflush(stdout);
  std::fflush(stderr);
  CapturedOutput output;
  output.out = ::testing::internal::GetCapturedStdout();
  output.err = ::testing::internal::GetCapturedStderr();
  return output;
}
