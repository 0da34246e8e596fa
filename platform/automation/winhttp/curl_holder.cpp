#include "platform/automation/winhttp/curl_holder.h"

#include <mutex>
#include <optional>

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

thread_local std::optional<CURLoption> refusedOption;

}  // namespace

CurlHolder::CurlHolder() {
  InitializeCurlOnce();
  easy_.reset(curl_easy_init());
  // The caches only save connections: a handle that cannot have them still transfers.
  if (easy_) {
    if (CURLSH* share = ThreadShare()) curl_easy_setopt(easy_.get(), CURLOPT_SHARE, share);
  }
}

bool CurlHolder::AppendHeader(const char* line) {
  curl_slist* extended = curl_slist_append(headers_.get(), line);
  if (extended == nullptr) return false;
  (void)headers_.release();  // the list now continues from extended
  headers_.reset(extended);
  return SetOption(CURLOPT_HTTPHEADER, extended);
}

bool CurlHolder::RefusedForTest(CURLoption option) { return refusedOption == option; }

ScopedCurlOptionRefusal::ScopedCurlOptionRefusal(CURLoption option) { refusedOption = option; }

ScopedCurlOptionRefusal::~ScopedCurlOptionRefusal() { refusedOption.reset(); }

}  // namespace platform
