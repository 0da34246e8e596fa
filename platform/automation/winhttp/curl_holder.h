// CurlHolder: the one owner of a libcurl easy handle and of the header list it sends; nothing
// else calls curl_easy_cleanup or curl_slist_free_all.
//
// A holder serves one transfer and is never reset for another: the next transfer takes a new
// holder. libcurl 7.88 keeps, across curl_easy_reset, a pointer to the last header line of the
// handle's previous transfer, freed since, and a continuation line right after the next status
// line would be joined onto it. Connections, DNS answers and TLS sessions still carry over:
// each new handle shares the calling thread's caches. libcurl cannot share one connection cache
// between threads that run transfers at once, so each thread has its own, and a holder must be
// used and destroyed on the thread that made it.
#pragma once

#include <curl/curl.h>

#include <memory>

namespace platform {

class CurlHolder {
 public:
  // A new handle on the calling thread's caches (a thread whose caches cannot be had gets a
  // handle without them: its transfers only open connections of their own).
  CurlHolder();
  CurlHolder(const CurlHolder&) = delete;
  CurlHolder& operator=(const CurlHolder&) = delete;

  // False when libcurl could make no handle (its memory is short); nothing else may be called
  // then.
  explicit operator bool() const { return easy_ != nullptr; }
  CURL* Handle() const { return easy_.get(); }

  // Sets one option of the handle. False when libcurl refuses it: an option this libcurl was
  // built without, a value it rejects, or no memory for its copy of a string.
  template <typename Value>
  bool SetOption(CURLoption option, Value value) {
    return !RefusedForTest(option) && curl_easy_setopt(easy_.get(), option, value) == CURLE_OK;
  }
  // Adds a line to the header list that the handle sends. False when memory is short (the list
  // stays as it was) or the handle refuses the list.
  bool AppendHeader(const char* line);

 private:
  struct EasyCleanup {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
  };
  struct ListCleanup {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
  };

  static bool RefusedForTest(CURLoption option);

  // Declared before the handle, so that it goes after it: the handle points to it until then.
  std::unique_ptr<curl_slist, ListCleanup> headers_;
  std::unique_ptr<CURL, EasyCleanup> easy_;
};

// For tests: while one lives, the calling thread's holders refuse the option as libcurl refuses
// one it was built without, so that a test can show what a refusal does to a transfer. One at a
// time on a thread.
class ScopedCurlOptionRefusal {
 public:
  explicit ScopedCurlOptionRefusal(CURLoption option);
  ~ScopedCurlOptionRefusal();
  ScopedCurlOptionRefusal(const ScopedCurlOptionRefusal&) = delete;
  ScopedCurlOptionRefusal& operator=(const ScopedCurlOptionRefusal&) = delete;
};

}  // namespace platform
