// The HTTP exchange takes a body only from a whole, self-consistent response of a size the
// program can hold: what a server announces or sends never ends the program or passes a part
// off as the whole.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/automation/winhttp/http_exchange.h"
#include "platform/automation/winhttp/response_framing.h"
#include "tests/canned_http_server.h"
#include "tests/scoped_environment.h"
#include "tools/sample_site/sample_site.h"

namespace {

using platform::HttpExchange;
using platform::ResponseFraming;
using sample_site::Fault;
using sample_site::PathPattern;

TEST(ResponseFraming, RefusesResponsesWhoseBodyCannotBeTakenAsTheWhole) {
  struct Case {
    const char* statusLine;
    std::vector<const char*> headers;
    bool acceptable;
  };
  const Case cases[] = {
      {"HTTP/1.1 200 OK", {"Content-Length: 5"}, true},
      {"HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"}, true},
      {"HTTP/1.1 200 OK", {}, true},
      {"HTTP/1.1 404 Not Found", {"Content-Length: 9"}, true},
      {"HTTP/1.1 200 OK", {"content-length: 5", "CONTENT-LENGTH: 5"}, true},
      {"HTTP/1.1 200 OK", {"Content-Length: 5, 5"}, true},
      {"HTTP/1.1 100 Continue", {"Content-Length: 1", "Content-Length: 2"}, true},
      {"HTTP/1.1 200 OK", {"Content-Length: 1000"}, true},  // exactly the limit
      {"HTTP/1.1 206 Partial Content", {"Content-Length: 16"}, false},
      {"HTTP/1.1 200 OK", {"Content-Length: 16", "Content-Length: 5"}, false},
      {"HTTP/1.1 200 OK", {"Content-Length: 16, 5"}, false},
      {"HTTP/1.1 200 OK", {"Content-Length: 5x"}, false},
      {"HTTP/1.1 200 OK", {"Content-Length:"}, false},
      {"HTTP/1.1 200 OK", {"Content-Length: 5", "Transfer-Encoding: gzip, Chunked"}, false},
      {"HTTP/1.1 200 OK", {"Content-Length: 1001"}, false},
      {"HTTP/1.1 200 OK", {"Content-Length: 99999999999999999999999"}, false},
  };
  for (const Case& c : cases) {
    ResponseFraming framing;
    framing.StartResponse("HTTP/1.1 206 Partial Content");
    framing.AddHeader("Content-Length: 3");
    framing.StartResponse(c.statusLine);  // what an earlier response said is dropped
    std::string trace = c.statusLine;
    for (const char* header : c.headers) {
      framing.AddHeader(header);
      trace += std::string(" | ") + header;
    }
    EXPECT_EQ(framing.Acceptable(1000), c.acceptable) << trace;
  }
}

class HttpExchangeFraming : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(site_.Start());
    environment_.UseProxy(site_.ProxyUrl());
  }

  // A GET of path whose body may be at most bodyLimit bytes; true when it brought a response.
  bool Get(HttpExchange& exchange, const std::string& path, size_t bodyLimit = 1000) {
    exchange.SetBodyLimit(bodyLimit);
    return exchange.Open("GET", "http://site.example" + path) && exchange.Send("");
  }

  sample_site::SampleSite site_;
  ScopedEnvironment environment_;
};

TEST_F(HttpExchangeFraming, AResponseThatIsNotTheWholeBodyIsAFailedExchange) {
  const std::string body16 = "sixteen bytes!!!";
  const std::string longBody(1001, 'b');
  struct Case {
    const char* name;
    Fault fault;
  };
  const Case cases[] = {
      {"206", Fault::Body(body16, 206)},
      {"two lengths",
       [&] {
         Fault fault = Fault::Body("five!");
         fault.headers = {{"Content-Length", "16"}};  // the site adds its own "5"
         return fault;
       }()},
      {"a length beside chunked coding",
       [&] {
         Fault fault = Fault::Chunked("five!");
         fault.headers = {{"Content-Length", "5"}};
         return fault;
       }()},
      {"shorter than announced", Fault::Announce(16, "five!")},
      {"a huge announced length", Fault::Announce(4294967295u, "0123456789")},
      {"announced over the limit", Fault::Body(longBody)},
      {"over the limit without a length",
       [&] {
         Fault fault = Fault::Endless();
         fault.body = longBody;
         return fault;
       }()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    site_.ClearFaults();
    site_.SetFault(PathPattern::Exact("/f"), c.fault);
    HttpExchange exchange;
    EXPECT_FALSE(Get(exchange, "/f"));
    EXPECT_FALSE(exchange.HasResponse());
    EXPECT_EQ(exchange.Status(), 0);
    EXPECT_TRUE(exchange.TakeResponseBody().empty());
    EXPECT_EQ(exchange.ResponseHeaders(), "");
  }
}

TEST_F(HttpExchangeFraming, AnEndlessBodyStopsAtTheLimit) {
  site_.SetFault(PathPattern::Exact("/endless"), Fault::Endless());
  HttpExchange exchange;
  EXPECT_FALSE(Get(exchange, "/endless", 3 * 1024 * 1024));
  EXPECT_TRUE(exchange.TakeResponseBody().empty());
  // The exchange ends the connection; the next one on this thread is served as usual.
  site_.SetFault(PathPattern::Exact("/ok"), Fault::Body("fine"));
  ASSERT_TRUE(Get(exchange, "/ok"));
  EXPECT_EQ(exchange.TakeResponseBody().view(), "fine");
}

TEST_F(HttpExchangeFraming, ABodyOfExactlyTheLimitIsWhole) {
  const std::string body(1000, 'w');
  site_.SetFault(PathPattern::Exact("/exact"), Fault::Body(body));
  site_.SetFault(PathPattern::Exact("/chunked"), Fault::Chunked(body));
  for (const char* path : {"/exact", "/chunked"}) {
    HttpExchange exchange;
    ASSERT_TRUE(Get(exchange, path)) << path;
    EXPECT_EQ(exchange.Status(), 200);
    EXPECT_EQ(exchange.TakeResponseBody().view(), body);
  }
}

// Exchanges with a server that sends exactly the given bytes.
class HttpExchangeOnTheWire : public ::testing::Test {
 protected:
  // A GET through a server that answers with `response`; true when it brought a response.
  bool Get(HttpExchange& exchange, std::string response) {
    server_.emplace(std::move(response));
    environment_.UseProxy(server_->ProxyUrl());
    return exchange.Open("GET", "http://site.example/f") && exchange.Send("");
  }

  std::optional<CannedHttpServer> server_;
  ScopedEnvironment environment_;
};

TEST_F(HttpExchangeOnTheWire, OnlyABlocksFirstLineIsAStatusLine) {
  // A header line that looks like a status line must not start the response afresh, which
  // would forget what the lines before it said.
  const std::string cases[] = {
      "HTTP/1.1 206 Partial Content\r\nHTTP/1.1 200 OK: x\r\nContent-Length: 16\r\n\r\n"
      "sixteen bytes!!!",
      "HTTP/1.1 200 OK\r\nContent-Length: 16\r\nHTTP/1.1 200 OK: x\r\nContent-Length: 5\r\n\r\n"
      "five!",
  };
  for (const std::string& response : cases) {
    HttpExchange exchange;
    EXPECT_FALSE(Get(exchange, response)) << response;
    EXPECT_TRUE(exchange.TakeResponseBody().empty());
  }
}

TEST_F(HttpExchangeOnTheWire, TrailersAreNoneOfTheResponsesHeaders) {
  HttpExchange exchange;
  ASSERT_TRUE(Get(exchange,
                  "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nX-A: 1\r\n\r\n"
                  "5\r\nhello\r\n0\r\nLocation: /from-trailer\r\nSet-Cookie: t=1\r\n\r\n"));
  EXPECT_EQ(exchange.Status(), 200);
  EXPECT_EQ(exchange.TakeResponseBody().view(), "hello");
  EXPECT_EQ(exchange.ResponseHeaders(), "Transfer-Encoding: chunked\r\nX-A: 1");
}

TEST(HttpExchangeTimeouts, TheConnectLimitIsResolvePlusConnectBeyondThe32BitRange) {
  struct Case {
    int32_t resolve, connect;
    int64_t limit;
  };
  const Case cases[] = {
      {15000, 15000, 30000},
      {1073742000, 1073742000, 2147484000},  // the 32-bit sum would overflow
      {2147483647, 2147483647, 4294967294},
      {0, 5000, 5000},  // an unlimited resolve leaves the connect limit
      {5000, 0, 0},     // an unlimited connect: no limit
  };
  for (const Case& c : cases) {
    HttpExchange exchange;
    exchange.SetTimeouts(c.resolve, c.connect, 1000, 1000);
    EXPECT_EQ(exchange.ConnectLimitMs(), c.limit) << c.resolve << " + " << c.connect;
  }
}

}  // namespace
