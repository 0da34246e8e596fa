#include "platform/automation/winhttp/curl_holder.h"

#include <mutex>

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

// The share that holds this thread's caches. Used by this thread alone, so it needs no lock
// callbacks; the cached connections outlive the handles that made them.
CURLSH* ThreadShare() {
  thread_local const std::unique_ptr<CURLSH, CurlShareDeleter> share = [] {
    std::unique_ptr<CURLSH, CurlShareDeleter> made(curl_share_init());
    if (made) {
      curl_share_setopt(made.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
      curl_share_setopt(made.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
      curl_share_setopt(made.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    }
    return made;
  }();
  return share.get();
}

}  // namespace

CurlEasyHandle MakeThreadCachedEasyHandle() {
  InitializeCurlOnce();
  CurlEasyHandle handle(curl_easy_init());
  if (handle) {
    if (CURLSH* share = ThreadShare()) curl_easy_setopt(handle.get(), CURLOPT_SHARE, share);
  }
  return handle;
}

}  // namespace platform
