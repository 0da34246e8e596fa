// Holds the responses to chosen paths until a test releases them, so that a test can keep a
// client's request in flight for as long as it needs without sleeping.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string_view>
#include <vector>

#include "tools/sample_site/path_pattern.h"

namespace sample_site {

class Gate {
 public:
  // Requests that arrive from now on and match `pattern` wait in Pass until no hold matches.
  void Hold(PathPattern pattern);
  // Drops every hold equal to `pattern`; the requests it held and no other hold matches go on.
  void Release(const PathPattern& pattern);
  void ReleaseAll();
  // Lets every held and every later request pass, for good (the site is stopping).
  void Open();

  // Returns once no hold matches `path` (at once when none does).
  void Pass(std::string_view path);

  // Requests waiting in Pass right now.
  size_t HeldCount() const;
  // Waits until at least `count` requests are held; false when `timeout` passed first.
  bool WaitUntilHeld(size_t count, std::chrono::milliseconds timeout) const;

 private:
  bool Holds(std::string_view path) const;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<PathPattern> holds_;
  size_t held_ = 0;
  bool open_ = false;
};

}  // namespace sample_site
