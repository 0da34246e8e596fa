// The HTTP exchange takes a body only from a whole, self-consistent response of a size the
// program can hold: what a server announces or sends never ends the program or passes a part
// off as the whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "platform/automation/winhttp/content_decoding.h"
#include "platform/automation/winhttp/curl_holder.h"
#include "platform/automation/winhttp/http_exchange.h"
#include "platform/automation/winhttp/response_framing.h"
#include "platform/automation/winhttp/response_reader.h"
#include "tests/canned_http_server.h"
#include "tests/compressed.h"
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
      // chunked, applied once, is the only transfer coding that a server may apply to a request
      // that names none (TE): any other reading of the body's end is in doubt.
      {"HTTP/1.1 200 OK", {"Transfer-Encoding: Chunked"}, true},
      {"HTTP/1.1 200 OK", {"Transfer-Encoding: gzip, chunked"}, false},
      {"HTTP/1.1 200 OK", {"Transfer-Encoding: chunked, chunked"}, false},
      {"HTTP/1.1 200 OK", {"Transfer-Encoding: chunked", "Transfer-Encoding: chunked"}, false},
      {"HTTP/1.1 200 OK", {"Transfer-Encoding: identity"}, false},
      {"HTTP/1.1 200 OK", {"Transfer-Encoding:"}, false},
      {"HTTP/1.1 200 OK", {"Transfer-Encoding: identity", "Content-Length: 5"}, false},
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

Fault WithCoding(Fault fault, std::string coding) {
  fault.headers.emplace_back("Content-Encoding", std::move(coding));
  return fault;
}

// Collects what a decoding hands on.
struct CollectedBytes final : platform::ByteSink {
  bool Take(std::string_view bytes) override {
    collected += bytes;
    return true;
  }
  std::string collected;
};

TEST(ContentDecoding, AStreamFedAByteAtATimeDecodesAsAWholeAndHasEndedOnlyAtAnEnd) {
  // Where a piece ends must not matter: deflate decides its wrapper from two bytes, gzip and
  // zstd go on from one member or frame to the next, and have ended between them.
  std::string file;
  for (int i = 0; i < 20000; ++i) file += std::to_string(i * 7919 % 10007) + ",";
  const std::string head = file.substr(0, 50);
  const std::string skippableFrame("\x50\x2A\x4D\x18\x02\0\0\0ab", 10);
  struct Case {
    const char* coding;
    std::vector<std::string> streams;  // one after another
    std::string decoded;
  };
  const Case cases[] = {
      {"gzip", {Compressed(Coding::kGzip, head), Compressed(Coding::kGzip, file)}, head + file},
      {"deflate", {Compressed(Coding::kZlib, file)}, file},
      {"deflate", {Compressed(Coding::kRawDeflate, file)}, file},
      {"br", {Compressed(Coding::kBrotli, file)}, file},
      {"zstd", {skippableFrame, Compressed(Coding::kZstd, file)}, file},
  };
  for (const Case& c : cases) {
    std::string sent;
    std::vector<size_t> ends = {0};
    for (const std::string& stream : c.streams) ends.push_back((sent += stream).size());
    SCOPED_TRACE(std::string(c.coding) + ", " + std::to_string(sent.size()) + " bytes");
    CollectedBytes out;
    const auto decoding = platform::ContentDecoding::For({c.coding}, out, sent.size());
    ASSERT_NE(decoding, nullptr);
    for (size_t at = 0; at < sent.size(); ++at) {
      const bool atAnEnd = std::find(ends.begin(), ends.end(), at) != ends.end();
      EXPECT_EQ(decoding->Ended(), atAnEnd) << "at byte " << at;
      ASSERT_TRUE(decoding->Take(sent.substr(at, 1))) << "at byte " << at;
    }
    EXPECT_TRUE(decoding->Ended());
    EXPECT_TRUE(out.collected == c.decoded) << out.collected.size() << " bytes";
    // Each stage counts what it is given against the limit.
    CollectedBytes unused;
    EXPECT_FALSE(platform::ContentDecoding::For({c.coding}, unused, sent.size() - 1)->Take(sent));
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

TEST_F(HttpExchangeFraming, AGuardThatLibcurlRefusesFailsTheExchangeBeforeItIsSent) {
  site_.SetFault(PathPattern::Exact("/f"), Fault::Body("fine"));
  // The options that keep a transfer to what the exchange allows: its protocols, redirects,
  // limits, the one HTTP version its header lines are read in, the body as sent, the stall watch.
  const CURLoption guards[] = {
      CURLOPT_PROTOCOLS_STR, CURLOPT_REDIR_PROTOCOLS_STR,   CURLOPT_FOLLOWLOCATION,
      CURLOPT_MAXREDIRS,     CURLOPT_CONNECTTIMEOUT_MS,     CURLOPT_HTTP_VERSION,
      CURLOPT_NOSIGNAL,      CURLOPT_HTTP_CONTENT_DECODING, CURLOPT_XFERINFOFUNCTION,
  };
  for (const CURLoption guard : guards) {
    const platform::ScopedCurlOptionRefusal refusal(guard);
    HttpExchange exchange;
    EXPECT_FALSE(Get(exchange, "/f")) << "option " << guard;
    EXPECT_FALSE(exchange.HasResponse()) << "option " << guard;
  }
  EXPECT_EQ(site_.RequestCount(), 0u);
  HttpExchange exchange;
  ASSERT_TRUE(Get(exchange, "/f"));
  EXPECT_EQ(exchange.TakeResponseBody().view(), "fine");
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

// A file's bytes, in a pattern that the seed varies.
std::string FileBytes(size_t size, unsigned seed = 7919) {
  std::string file(size, '\0');
  for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<char>(i * seed % 253);
  return file;
}
std::string CutShort(const std::string& stream) { return stream.substr(0, stream.size() * 2 / 3); }

TEST_F(HttpExchangeFraming, ACodedBodyIsTakenOnlyWhenEveryStreamEndedAndNothingFollows) {
  const std::string file = FileBytes(300000), other = FileBytes(1000, 31);
  const std::string gzip = Compressed(Coding::kGzip, file);
  const std::string zlib = Compressed(Coding::kZlib, file);
  const std::string raw = Compressed(Coding::kRawDeflate, file);
  const std::string br = Compressed(Coding::kBrotli, file);
  const std::string zstd = Compressed(Coding::kZstd, file);
  std::string wrongChecksum = gzip;
  wrongChecksum[wrongChecksum.size() - 8] ^= 1;  // the trailer: CRC-32, then the length
  struct Case {
    const char* name;
    std::vector<std::string> codings;  // one Content-Encoding line each
    std::string sent;
    std::optional<std::string> taken;  // kRefused: a failed exchange
    bool chunked = false;
  };
  constexpr std::nullopt_t kRefused = std::nullopt;
  const Case cases[] = {
      {"gzip", {"gzip"}, gzip, file},
      {"gzip cut short", {"gzip"}, CutShort(gzip), kRefused},
      {"gzip cut short, chunked", {"gzip"}, CutShort(gzip), kRefused, true},
      {"zlib deflate cut short", {"deflate"}, CutShort(zlib), kRefused},
      {"raw deflate cut short", {"deflate"}, CutShort(raw), kRefused},
      {"br cut short", {"br"}, CutShort(br), kRefused},
      {"br cut short, chunked", {"br"}, CutShort(br), kRefused, true},
      {"zstd cut short", {"zstd"}, CutShort(zstd), kRefused},
      {"gzip with a wrong checksum", {"gzip"}, wrongChecksum, kRefused},
      {"a byte after the gzip end", {"gzip"}, gzip + "x", kRefused},
      {"a member begun after the gzip end", {"gzip"}, gzip + gzip.substr(0, 12), kRefused},
      {"a byte after the zlib deflate end", {"deflate"}, zlib + "x", kRefused},
      {"a byte after the raw deflate end", {"deflate"}, raw + "x", kRefused},
      {"a byte after the br end", {"br"}, br + "x", kRefused},
      {"bytes after the zstd end", {"zstd"}, zstd + "xxxx", kRefused},
      {"two gzip members", {"gzip"}, gzip + Compressed(Coding::kGzip, other), file + other},
      {"two zstd frames", {"zstd"}, zstd + Compressed(Coding::kZstd, other), file + other},
      {"zlib deflate", {"deflate"}, zlib, file},
      {"raw deflate", {"deflate"}, raw, file},
      {"x-gzip", {"x-gzip"}, gzip, file},
      {"gzip, then br", {"gzip, BR"}, Compressed(Coding::kBrotli, gzip), file},
      {"gzip, then br on two lines", {"gzip", "br"}, Compressed(Coding::kBrotli, gzip), file},
      {"identity", {"identity"}, other, other},
      {"identity beside gzip", {"Identity, gzip"}, gzip, file},
      {"unknown coding", {"x-squash"}, gzip, kRefused},
      {"more codings than are decoded", {"gzip, gzip, gzip, gzip, gzip, gzip"}, gzip, kRefused},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    site_.ClearFaults();
    Fault fault = c.chunked ? Fault::Chunked(c.sent) : Fault::Body(c.sent);
    for (const std::string& coding : c.codings) fault = WithCoding(fault, coding);
    site_.SetFault(PathPattern::Exact("/coded"), fault);
    HttpExchange exchange;
    EXPECT_EQ(Get(exchange, "/coded", 1 << 20), c.taken.has_value());
    EXPECT_EQ(exchange.Status(), c.taken ? 200 : 0);
    const platform::ByteBuffer body = exchange.TakeResponseBody();
    EXPECT_TRUE(body.view() == c.taken.value_or("")) << body.size() << " bytes";
    if (!c.taken) {
      EXPECT_EQ(exchange.ResponseHeaders(), "");
    }
  }
}

TEST_F(HttpExchangeFraming, AResponseWithoutABodyIsNotJudgedByItsCoding) {
  site_.SetFault(PathPattern::Exact("/none"), WithCoding(Fault::Body("", 204), "gzip"));
  HttpExchange exchange;
  ASSERT_TRUE(Get(exchange, "/none"));
  EXPECT_EQ(exchange.Status(), 204);
}

TEST_F(HttpExchangeFraming, AnEndlessCodedStreamThatDecodesToNothingStopsAtTheLimit) {
  // Empty gzip members, or zstd's skippable frames of no content, one after another.
  const std::string skippableFrame("\x50\x2A\x4D\x18\0\0\0\0", 8);
  const std::pair<const char*, std::string> streams[] = {{"gzip", Compressed(Coding::kGzip, "")},
                                                         {"zstd", skippableFrame}};
  for (const auto& [coding, piece] : streams) {
    SCOPED_TRACE(coding);
    site_.ClearFaults();
    Fault fault = Fault::Endless();
    fault.body = piece;
    site_.SetFault(PathPattern::Exact("/endless"), WithCoding(fault, coding));
    HttpExchange exchange;
    EXPECT_FALSE(Get(exchange, "/endless", 1 << 20));
  }
}

// Exchanges with a server that sends exactly the given bytes.
class HttpExchangeOnTheWire : public ::testing::Test {
 protected:
  // A GET through a server that answers with `responses` in turn; true when it brought a
  // response.
  bool Get(HttpExchange& exchange, std::vector<std::string> responses) {
    server_.emplace(std::move(responses));
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
    EXPECT_FALSE(Get(exchange, {response})) << response;
    EXPECT_TRUE(exchange.TakeResponseBody().empty());
  }
}

TEST_F(HttpExchangeOnTheWire, TrailersAreNoneOfTheResponsesHeaders) {
  HttpExchange exchange;
  ASSERT_TRUE(
      Get(exchange, {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nX-A: 1\r\n\r\n"
                     "5\r\nhello\r\n0\r\nLocation: /from-trailer\r\nSet-Cookie: t=1\r\n\r\n"}));
  EXPECT_EQ(exchange.Status(), 200);
  EXPECT_EQ(exchange.TakeResponseBody().view(), "hello");
  EXPECT_EQ(exchange.ResponseHeaders(), "Transfer-Encoding: chunked\r\nX-A: 1");
}

TEST_F(HttpExchangeOnTheWire, FoldedLinesAreReadUnfolded) {
  // A line that begins with a blank continues the one before it, joined by one blank.
  HttpExchange exchange;
  ASSERT_TRUE(Get(exchange, {"HTTP/1.1 200 OK\r\nX-A: one\r\n  two\r\n\tthree\r\n"
                             "Content-Length: 2\r\n\r\nok"}));
  EXPECT_EQ(exchange.ResponseHeaders(), "X-A: one two three\r\nContent-Length: 2");
  EXPECT_EQ(exchange.TakeResponseBody().view(), "ok");
  // A redirect that is not followed hands its folded Location over unfolded.
  exchange.SetFollowRedirects(false);
  ASSERT_TRUE(Get(exchange, {"HTTP/1.1 302 Found\r\nLocation: /a\r\n /b\r\n"
                             "Content-Length: 0\r\n\r\n"}));
  EXPECT_EQ(exchange.Status(), 302);
  EXPECT_EQ(exchange.ResponseHeaders(), "Location: /a /b\r\nContent-Length: 0");
}

TEST_F(HttpExchangeOnTheWire, AFoldThatWouldBeReadTwoWaysFailsTheExchange) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      // "5 6" is no length, though the first line alone says 5.
      {"a folded length", {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n 6\r\n\r\n123456"}},
      {"a continuation of the status line",
       {"HTTP/1.1 200 OK\r\n Content-Length: 2\r\nContent-Length: 2\r\n\r\nok"}},
      // The redirect is followed to the first line's target, not to the unfolded one.
      {"a folded Location followed",
       {"HTTP/1.1 302 Found\r\nLocation: /a\r\n /b\r\nContent-Length: 0\r\n\r\n",
        "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nfinal"}},
  };
  for (const auto& [name, responses] : cases) {
    HttpExchange exchange;
    EXPECT_FALSE(Get(exchange, responses)) << name;
    EXPECT_EQ(exchange.Status(), 0) << name;
    EXPECT_TRUE(exchange.TakeResponseBody().empty()) << name;
  }
}

// A header block of exactly `bytes` bytes, its status line, its line ends and the blank line
// that ends it counted, holding `lines` and as many filler lines as it takes.
std::string HeaderBlock(std::string_view statusLine, std::string_view lines, size_t bytes) {
  std::string block = std::string(statusLine) + "\r\n" + std::string(lines);
  size_t fill = bytes - block.size() - 2;
  while (fill > 0) {
    // Filler lines of at most 8000 bytes, none shorter than "X:" and its line end.
    size_t line = std::min<size_t>(fill, 8000);
    if (fill - line > 0 && fill - line < 4) line -= 4;
    block += "X:" + std::string(line - 4, 'f') + "\r\n";
    fill -= line;
  }
  return block + "\r\n";
}

TEST_F(HttpExchangeOnTheWire, TheHeaderLimitCountsEveryHeaderByteOfTheExchange) {
  // libcurl counts the header bytes of all the responses of one transfer together, interim
  // ones and redirects included, and so does the exchange, to a lower limit.
  const size_t limit = platform::ResponseReader::kMaxHeaderBytes;
  const std::string ok = "Content-Length: 2\r\n";
  const std::string redirect = "Location: /next\r\nContent-Length: 0\r\n";
  for (const size_t over : {0, 1}) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"one block", {HeaderBlock("HTTP/1.1 200 OK", ok, limit + over) + "ok"}},
        {"an interim response and the final one",
         {HeaderBlock("HTTP/1.1 100 Continue", "", 1000) +
          HeaderBlock("HTTP/1.1 200 OK", ok, limit - 1000 + over) + "ok"}},
        {"a redirect and its target",
         {HeaderBlock("HTTP/1.1 302 Found", redirect, 1000),
          HeaderBlock("HTTP/1.1 200 OK", ok, limit - 1000 + over) + "ok"}},
    };
    for (const auto& [name, responses] : cases) {
      HttpExchange exchange;
      EXPECT_EQ(Get(exchange, responses), over == 0) << name << ", " << over << " over the limit";
    }
  }
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
