// Owns one libcurl easy handle and the header list it sends.
#pragma once

#include <curl/curl.h>

#include <memory>

namespace platform {

struct CurlEasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct CurlListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlEasyHandle = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlHeaderList = std::unique_ptr<curl_slist, CurlListDeleter>;

// A new easy handle that shares the calling thread's connection, DNS and TLS session caches, so
// that successive requests on one thread reuse their connections. libcurl cannot share one
// connection cache between threads that run transfers at once, so each thread has its own; a
// handle must therefore be used and destroyed on the thread that made it.
CurlEasyHandle MakeThreadCachedEasyHandle();

}  // namespace platform
