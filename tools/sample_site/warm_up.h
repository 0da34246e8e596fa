// The HTTP library builds some of its tables lazily, on the first request, inside code that
// ThreadSanitizer cannot see, so two connections that meet a table at once are reported as a
// race. Processing one request in memory on the starting thread, before any connection thread
// exists, builds them in an order the sanitizer sees.
#pragma once

#include <httplib.h>

namespace sample_site {

class WarmableServer : public httplib::Server {
 public:
  // Runs one GET of `path` through the server's handlers without a socket.
  void WarmUp(const char* path);
};

}  // namespace sample_site
