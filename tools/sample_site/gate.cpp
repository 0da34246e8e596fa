#include "tools/sample_site/gate.h"

#include <algorithm>

namespace sample_site {

void Gate::Hold(PathPattern pattern) {
  std::lock_guard lock(mutex_);
  holds_.push_back(std::move(pattern));
}

void Gate::Release(const PathPattern& pattern) {
  {
    std::lock_guard lock(mutex_);
    std::erase(holds_, pattern);
  }
  changed_.notify_all();
}

void Gate::ReleaseAll() {
  {
    std::lock_guard lock(mutex_);
    holds_.clear();
  }
  changed_.notify_all();
}

void Gate::Open() {
  {
    std::lock_guard lock(mutex_);
    open_ = true;
  }
  changed_.notify_all();
}

bool Gate::Holds(std::string_view path) const {
  return !open_ && std::any_of(holds_.begin(), holds_.end(),
                               [&](const PathPattern& hold) { return hold.Matches(path); });
}

void Gate::Pass(std::string_view path) {
  std::unique_lock lock(mutex_);
  if (!Holds(path)) return;
  ++held_;
  changed_.notify_all();  // for WaitUntilHeld
  changed_.wait(lock, [&] { return !Holds(path); });
  --held_;
}

size_t Gate::HeldCount() const {
  std::lock_guard lock(mutex_);
  return held_;
}

bool Gate::WaitUntilHeld(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return held_ >= count; });
}

}  // namespace sample_site
