#include "tools/sample_site/request_log.h"

#include <strings.h>

namespace sample_site {

std::optional<std::string> LoggedRequest::Header(std::string_view name) const {
  for (const auto& [headerName, value] : headers) {
    if (headerName.size() == name.size() &&
        strncasecmp(headerName.data(), name.data(), name.size()) == 0) {
      return value;
    }
  }
  return std::nullopt;
}

void RequestLog::Add(LoggedRequest request) {
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(std::move(request));
  }
  added_.notify_all();
}

std::vector<LoggedRequest> RequestLog::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::vector<std::string> RequestLog::Paths() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> paths;
  for (const LoggedRequest& request : requests_) paths.push_back(request.path);
  return paths;
}

size_t RequestLog::Count() const {
  std::lock_guard lock(mutex_);
  return requests_.size();
}

void RequestLog::Clear() {
  std::lock_guard lock(mutex_);
  requests_.clear();
}

bool RequestLog::WaitForCount(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return added_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

}  // namespace sample_site
