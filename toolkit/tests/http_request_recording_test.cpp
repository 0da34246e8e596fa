// HttpRequest's conversation with the request object, seen through a recording object
// registered under the request class's ProgID.
#include <gtest/gtest.h>

#include "platform/automation/class_registry.h"
#include "platform/automation/testing/recording_object.h"
#include "platform/codepage.h"
#include "toolkit/http_request.h"

namespace {

using platform::InvokeKind;
using platform::RecordingObject;
using platform::Variant;

std::string Describe(const Variant& value) {
  switch (value.Type()) {
    case platform::VariantType::kInt32:
      return std::to_string(*value.ToInt32());
    case platform::VariantType::kBool:
      return *value.ToBool() ? "true" : "false";
    case platform::VariantType::kString:
      return "'" + platform::Utf16ToGbk(*value.ToString()) + "'";
    case platform::VariantType::kBytes:
      return "bytes[" + std::to_string(value.ToBytes()->size()) + "]";
    default:
      return "?";
  }
}

// "Member(arg, arg)" for calls, "Member[args] = value" for writes, "Member?" for reads.
std::vector<std::string> Conversation(const RecordingObject& recorder) {
  std::vector<std::string> lines;
  for (const RecordingObject::Call& call : recorder.Calls()) {
    std::string line = platform::Utf16ToGbk(call.member);
    std::vector<std::string> args;
    for (const Variant& arg : call.args) args.push_back(Describe(arg));
    auto join = [&](size_t from, size_t to) {
      std::string joined;
      for (size_t i = from; i < to; ++i) joined += (i > from ? ", " : "") + args[i];
      return joined;
    };
    if (call.kind == InvokeKind::kGet) {
      line += "?";
    } else if (call.kind == InvokeKind::kPut) {
      line += "[" + join(0, args.size() - 1) + "] = " + args.back();
    } else {
      line += "(" + join(0, args.size()) + ")";
    }
    lines.push_back(line);
  }
  return lines;
}

const std::u16string kProgId = u"WinHttp.WinHttpRequest.5.1";

class HttpRequestRecording : public ::testing::Test {
 protected:
  HttpRequestRecording() : override_(kProgId, [this] { return recorder_; }) {}

  // Answers a complete response with these header lines and body.
  void Respond(std::u16string headerLines, std::string body = "body") {
    recorder_->Answer(u"GetAllResponseHeaders", Variant::String(std::move(headerLines)));
    recorder_->Answer(u"ResponseBody", Variant::FromBytes(Variant::Bytes(body)));
  }
  std::vector<std::string> CallsNamed(std::string_view member) const {
    std::vector<std::string> found;
    for (const std::string& line : Conversation(*recorder_)) {
      if (line.rfind(member, 0) == 0) found.push_back(line);
    }
    return found;
  }

  std::shared_ptr<RecordingObject> recorder_ = std::make_shared<RecordingObject>();
  platform::ScopedClassOverride override_;
};

TEST_F(HttpRequestRecording, OnlyUrlGivenIsAGetWithTheDefaultHeaders) {
  Respond(u"Content-Type: text/html");
  const Text url = "http://site.example/a/";
  EXPECT_EQ(HttpRequest(url).View(), "body");
  const std::vector<std::string> expected = {
      "SetTimeouts(15000, 15000, 15000, 15000)",
      "Open('GET', 'http://site.example/a/', false)",
      "SetRequestHeader('Referer', 'http://site.example/a/')",
      "SetRequestHeader('Accept', '*/*')",
      "SetRequestHeader('Accept-Language', 'zh-cn')",
      "SetRequestHeader('User-Agent', 'Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; Qorv; "
      ".NET CLR 2.0.50727; .NET CLR 3.0.04506.648; .NET CLR 3.5.21022)')",
      "SetRequestHeader('Content-Type', 'application/x-www-form-urlencoded')",
      "Send('')",
      "ResponseBody?",
  };
  EXPECT_EQ(Conversation(*recorder_), expected);
  EXPECT_EQ(DefaultHeaderBlock.size(), 220u);

  Text headers;
  HttpRequest(url, 0, nullptr, nullptr, nullptr, &headers);
  EXPECT_EQ(headers, "Referer: " + url + std::string(DefaultHeaderBlock));
}

TEST_F(HttpRequestRecording, TimeOutsAndMethods) {
  const std::pair<int32_t, std::vector<std::string>> timeouts[] = {
      {-1, {}},
      {0, {"SetTimeouts(15000, 15000, 15000, 15000)"}},
      {-2, {"SetTimeouts(15000, 15000, 15000, 15000)"}},
      {5, {"SetTimeouts(5000, 5000, 5000, 5000)"}},
      {2147483, {"SetTimeouts(2147483000, 2147483000, 2147483000, 2147483000)"}},
  };
  for (const auto& [seconds, expected] : timeouts) {
    recorder_ = std::make_shared<RecordingObject>();
    HttpRequest("http://x.example/", 0, nullptr, nullptr, nullptr, nullptr, nullptr, false, nullptr,
                nullptr, nullptr, seconds);
    EXPECT_EQ(CallsNamed("SetTimeouts"), expected) << seconds;
  }
  for (const auto& [method, name] :
       {std::pair{1, "POST"}, std::pair{2, "GET"}, std::pair{-1, "GET"}}) {
    recorder_ = std::make_shared<RecordingObject>();
    HttpRequest("http://x.example/", method);
    EXPECT_EQ(CallsNamed("Open"), std::vector<std::string>{"Open('" + std::string(name) +
                                                           "', 'http://x.example/', false)"});
  }
  recorder_ = std::make_shared<RecordingObject>();
  HttpRequest("http://x.example/", 0, nullptr, nullptr, nullptr, nullptr, nullptr, true);
  EXPECT_EQ(CallsNamed("Option"), std::vector<std::string>{"Option[6] = 0"});
}

TEST_F(HttpRequestRecording, ProxyAndCredentials) {
  const Text proxy = "127.0.0.1:8080", user = "u", password = "p", none;
  struct Case {
    const Text* proxy;
    const Text* user;
    std::optional<int32_t> flag;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {&none, &user, std::nullopt, {}},
      {&proxy, &none, std::nullopt, {"SetProxy(2, '127.0.0.1:8080')"}},
      {&proxy,
       &user,
       std::nullopt,
       {"SetProxy(2, '127.0.0.1:8080')", "SetProxyCredentials('u', 'p', 1)"}},
      {&proxy, &user, 0, {"SetProxy(2, '127.0.0.1:8080')", "SetProxyCredentials('u', 'p', 0)"}},
  };
  for (const Case& c : cases) {
    recorder_ = std::make_shared<RecordingObject>();
    HttpRequest("http://x.example/", 0, nullptr, nullptr, nullptr, nullptr, nullptr, false, nullptr,
                c.proxy, nullptr, 0, c.user, &password, c.flag);
    std::vector<std::string> proxyCalls = CallsNamed("SetProxy");
    EXPECT_EQ(proxyCalls, c.expected);
  }
}

TEST_F(HttpRequestRecording, HeaderLinesAndBodies) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"X-A: 1", {"SetRequestHeader('X-A', '1')"}},
      {"X-A: 1\r\n\r\nX-B:2\r\n", {"SetRequestHeader('X-A', '1')", "SetRequestHeader('X-B', '2')"}},
      {"no colon\r\nX-C: a:b", {"SetRequestHeader('', '')", "SetRequestHeader('X-C', 'a:b')"}},
  };
  for (const auto& [lines, expected] : cases) {
    recorder_ = std::make_shared<RecordingObject>();
    recorder_->Refuse(u"SetRequestHeader");  // a refusal changes nothing for the routine
    Text headers = lines;
    HttpRequest("http://x.example/", 0, nullptr, nullptr, nullptr, &headers);
    EXPECT_EQ(CallsNamed("SetRequestHeader"), expected) << lines;
    EXPECT_EQ(headers, lines);
  }
  recorder_ = std::make_shared<RecordingObject>();
  Text cookies = "a=1; b=2";
  const Text postText = "text";
  const ByteArray postBytes(std::string("xyz"));
  HttpRequest("http://x.example/", 1, &postText, &cookies, nullptr, nullptr, nullptr, false,
              &postBytes);
  EXPECT_EQ(CallsNamed("SetRequestHeader('Cookie'"),
            std::vector<std::string>{"SetRequestHeader('Cookie', 'a=1; b=2')"});
  EXPECT_EQ(CallsNamed("Send"), std::vector<std::string>{"Send(bytes[3])"});
  recorder_ = std::make_shared<RecordingObject>();
  HttpRequest("http://x.example/", 1, &postText);
  EXPECT_EQ(CallsNamed("Send"), std::vector<std::string>{"Send('text')"});
  EXPECT_TRUE(CallsNamed("SetRequestHeader('Cookie'").empty());
}

TEST_F(HttpRequestRecording, LocationFromTheResponseHeaders) {
  struct Case {
    std::u16string headerLines;
    const char* locationIn;
    std::string expected;
  };
  const Case cases[] = {
      {u"Location: /next\r\nX: 1", "", "/next"},
      {u"Location: /a\r\nLocation: /b", "", "/b"},
      {u"X: 1\r\nY: 2", "", "X: 1\r\nY: 2"},
      {u"X: 1", "x", "x"},
      // A header is known by its name, in any case, and not by a mention elsewhere in a line.
      {u"location: /lower", "", "/lower"},
      {u"LOCATION: /upper", "", "/upper"},
      {u"Location : /spaced", "", "Location : /spaced"},    // no blank may stand before the colon
      {u"X-Note: a\r\n Location: /folded", "x", "x"},       // a folded line continues X-Note
      {u"Location:\r\n\t/folded\r\nX: 1", "x", "/folded"},  // read unfolded
      {u" Location: /first", "x", "x"},  // a continuation of nothing names no header
      {u"Location: /next\r\nContent-Location: /other", "", "/next"},
      {u"Content-Location: /c", "", "Content-Location: /c"},
      {u"X-Note: Location: /v", "x", "x"},
  };
  for (const Case& c : cases) {
    Respond(c.headerLines);
    Text location = c.locationIn, responseHeaders = "old";
    HttpRequest("http://x.example/", 0, nullptr, nullptr, nullptr, nullptr, &location, true,
                nullptr, nullptr, &responseHeaders);
    EXPECT_EQ(location, c.expected);
    EXPECT_EQ(responseHeaders, platform::Utf16ToGbk(c.headerLines));
  }
}

TEST_F(HttpRequestRecording, SetCookieLinesAreMergedIntoTheCallersList) {
  struct Case {
    std::u16string headerLines;
    const char* cookiesIn;
    const char* cookiesOut;
    const char* received;
  };
  const Case cases[] = {
      {u"Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2; HttpOnly", "a=0; c=3", "a=1; b=2; c=3",
       "a=1;b=2"},
      {u"Set-Cookie: a=1\r\nSet-Cookie: b=2; path=/", "", "; b=2", ";b=2"},
      {u"set-cookie: a=1; path=/\r\nSET-COOKIE: z=9; path=/", "", "a=1; z=9", "a=1;z=9"},
      {u"Access-Control-Expose-Headers: Set-Cookie\r\nX-Set-Cookie: q=1; p", "", "", ""},
      {u"X-Note: a\r\n Set-Cookie: evil=1; path=/", "", "", ""},
      {u"Set-Cookie:\r\n a=1; path=/", "", "a=1", "a=1"},  // read unfolded
      {u"X: 1", "", "", ""},
  };
  for (const Case& c : cases) {
    Respond(c.headerLines);
    Text cookies = c.cookiesIn, received = "stale";
    HttpRequest("http://x.example/", 0, nullptr, &cookies, &received);
    EXPECT_EQ(cookies, c.cookiesOut);
    EXPECT_EQ(received, c.received);
  }
}

TEST_F(HttpRequestRecording, TheResponseHeadersAreReadOnlyForTheArgumentsThatTakeThem) {
  const std::u16string headerLines = u"Location: /next\r\nSet-Cookie: a=1; path=/";
  struct Outputs {
    Text cookies = "b=2";
    Text received = "stale";
    Text location;
    Text responseHeaders = "old";
    Text requestHeaders;
    int32_t status = -1;
  };
  struct Case {
    const char* given;
    bool cookies, received, location, responseHeaders, requestHeaders, status;
    bool readsHeaders;
  };
  const Case cases[] = {
      {"nothing", false, false, false, false, false, false, false},
      {"request headers and status", false, false, false, false, true, true, false},
      {"response headers", false, false, false, true, false, false, true},
      {"location", false, false, true, false, false, false, true},
      {"cookies", true, false, false, false, false, false, true},
      {"received cookies", false, true, false, false, false, false, true},
  };
  for (const Case& c : cases) {
    recorder_ = std::make_shared<RecordingObject>();
    Respond(headerLines);
    Outputs out;
    HttpRequest("http://x.example/", 0, nullptr, c.cookies ? &out.cookies : nullptr,
                c.received ? &out.received : nullptr,
                c.requestHeaders ? &out.requestHeaders : nullptr,
                c.location ? &out.location : nullptr, false, nullptr, nullptr,
                c.responseHeaders ? &out.responseHeaders : nullptr, 0, nullptr, nullptr,
                std::nullopt, c.status ? &out.status : nullptr);
    EXPECT_EQ(CallsNamed("GetallResponseHeaders").size(), c.readsHeaders ? 1u : 0u) << c.given;
    // Each output given alone comes out as when all are given.
    EXPECT_EQ(out.cookies, c.cookies ? "a=1; b=2" : "b=2") << c.given;
    EXPECT_EQ(out.received, c.received ? "a=1" : "stale") << c.given;
    EXPECT_EQ(out.location, c.location ? "/next" : "") << c.given;
    EXPECT_EQ(out.responseHeaders, c.responseHeaders ? platform::Utf16ToGbk(headerLines) : "old")
        << c.given;
  }
}

TEST_F(HttpRequestRecording, AFailedExchangeLeavesOnlyTheCookieMerge) {
  recorder_->Refuse(u"ResponseBody");
  recorder_->Refuse(u"GetAllResponseHeaders");
  Text cookies = "a=1;  a=2; b=deleted", received = "x", location = "", headers = "h: 1";
  Text responseHeaders = "old";
  int32_t status = -1;
  EXPECT_TRUE(HttpRequest("http://x.example/", 0, nullptr, &cookies, &received, &headers, &location,
                          false, nullptr, nullptr, &responseHeaders, 0, nullptr, nullptr,
                          std::nullopt, &status)
                  .Empty());
  EXPECT_EQ(cookies, "a=1");
  EXPECT_EQ(received, "");
  EXPECT_EQ(location, "");
  EXPECT_EQ(responseHeaders, "");
  EXPECT_EQ(status, 0);
}

TEST_F(HttpRequestRecording, WithoutTheClassNothingIsTouched) {
  platform::ScopedClassOverride unavailable(kProgId, [] { return nullptr; });
  Text cookies = "a=1;b=2", received = "r", headers = "", location = "l", responseHeaders = "h";
  EXPECT_TRUE(HttpRequest("http://x.example/", 0, nullptr, &cookies, &received, &headers, &location,
                          false, nullptr, nullptr, &responseHeaders)
                  .Empty());
  EXPECT_EQ(cookies, "a=1;b=2");
  EXPECT_EQ(received, "r");
  EXPECT_EQ(headers, "");
  EXPECT_EQ(location, "l");
  EXPECT_EQ(responseHeaders, "h");
  EXPECT_TRUE(recorder_->Calls().empty());
}

TEST(HeaderNameAndValue, SplitAtTheFirstColon) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"Referer: a:b", "Referer", "a:b"},
      {"  X :  v  ", "X", "v"},
      {"no colon", "", ""},
      {":v", "", "v"},
      {"\tX:\tv", "\tX", "\tv"},  // only blanks are trimmed, not tabs
  };
  for (const auto& [line, name, value] : cases) {
    EXPECT_EQ(HeaderName(line), name) << line;
    EXPECT_EQ(HeaderValue(line), value) << line;
  }
}

}  // namespace
