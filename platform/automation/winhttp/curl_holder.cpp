#include "platform/automation/winhttp/curl_holder.h"

#include <mutex>
#include <vector>

namespace platform {
namespace {

struct CurlShareDeleter {
  void operator()(CURLSH* share) const { curl_share_cleanup(share); }
};

// curl_global_init is not thread-safe and must run before any other libcurl call.
void InitializeCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// What libcurl keeps for one thread: the share that holds its connection and DNS caches, and
// the easy handles of finished exchanges, kept for the next ones (a new handle costs more than
// a reset). Used by this thread alone, so the share needs no lock callbacks.
class ThreadCurlState {
 public:
  static constexpr size_t kIdleHandlesKept = 4;

  ThreadCurlState() : share_(curl_share_init()) {
    if (share_) {
      curl_share_setopt(share_.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
      curl_share_setopt(share_.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    }
  }
  // The handles go before the share they use.
  ~ThreadCurlState() { idle_.clear(); }

  CURLSH* Share() const { return share_.get(); }

  CURL* TakeIdle() {
    if (idle_.empty()) return nullptr;
    CURL* handle = idle_.back().release();
    idle_.pop_back();
    return handle;
  }
  void Keep(CURL* handle) {
    if (idle_.size() < kIdleHandlesKept) {
      idle_.emplace_back(handle);
    } else {
      curl_easy_cleanup(handle);
    }
  }

 private:
  std::unique_ptr<CURLSH, CurlShareDeleter> share_;
  struct Cleanup {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
  };
  std::vector<std::unique_ptr<CURL, Cleanup>> idle_;
};

ThreadCurlState& ThisThread() {
  thread_local ThreadCurlState state;
  return state;
}

}  // namespace

void CurlEasyDeleter::operator()(CURL* handle) const {
  curl_easy_reset(handle);
  ThisThread().Keep(handle);
}

CurlEasyHandle MakeThreadCachedEasyHandle() {
  InitializeCurlOnce();
  CurlEasyHandle handle(ThisThread().TakeIdle());
  if (!handle) handle.reset(curl_easy_init());
  if (handle) UseThreadCaches(handle.get());
  return handle;
}

void UseThreadCaches(CURL* handle) {
  if (CURLSH* share = ThisThread().Share()) curl_easy_setopt(handle, CURLOPT_SHARE, share);
}

}  // namespace platform
