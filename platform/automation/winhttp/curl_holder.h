// Owns one libcurl easy handle and the header list it sends. Nothing else cleans them up: a
// finished handle goes back to its thread's idle handles, and those are cleaned up with the
// thread.
#pragma once

#include <curl/curl.h>

#include <memory>

namespace platform {

// Hands the handle back to its thread for a later exchange (it must be let go on the thread
// that made it).
struct CurlEasyDeleter {
  void operator()(CURL* handle) const;
};
struct CurlListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlEasyHandle = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlHeaderList = std::unique_ptr<curl_slist, CurlListDeleter>;

// A new easy handle that shares the calling thread's connection cache and DNS cache, so that
// successive requests on one thread reuse their connections. libcurl cannot share one connection
// cache between threads that run transfers at once, so each thread has its own; a handle must
// therefore be used and destroyed on the thread that made it.
CurlEasyHandle MakeThreadCachedEasyHandle();

// Attaches the calling thread's caches to a handle again, after curl_easy_reset dropped them.
void UseThreadCaches(CURL* handle);

}  // namespace platform
