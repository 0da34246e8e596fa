#include "toolkit/http_request.h"

#include <limits>

#include "platform/automation/winhttp/header_unfolding.h"
#include "platform/automation/winhttp/http_request_options.h"
#include "runtime/text_operations.h"
#include "toolkit/automation.h"
#include "toolkit/cookie_list.h"

const std::string_view DefaultHeaderBlock =
    "\r\nAccept: */*\r\nAccept-Language: zh-cn\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; "
    "Windows NT 6.1; Qorv; .NET CLR 2.0.50727; .NET CLR 3.0.04506.648; .NET CLR 3.5.21022)\r\n"
    "Content-Type: application/x-www-form-urlencoded";

namespace {

constexpr int32_t kDefaultTimeoutMs = 15000;

int32_t TimeoutMs(int32_t timeoutSeconds) {
  if (timeoutSeconds < 1) return kDefaultTimeoutMs;
  // Beyond 2147483 s the milliseconds leave the 32-bit range: the longest time-out is kept.
  const double ms = timeoutSeconds * 1000.0;
  return ms > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                  : static_cast<int32_t>(ms);
}

void SetHeaderLine(const ComObject& request, std::string_view line) {
  CmdComCall(request, "SetRequestHeader", HeaderName(line), HeaderValue(line));
}

// A response header is known by its name at the start of its (unfolded) line, in any case, with
// the colon right after it: "Content-Location: /c" is no Location, and a value that mentions
// Set-Cookie sets none.
bool IsHeaderNamed(std::string_view line, std::string_view name) {
  return line.size() > name.size() && line[name.size()] == ':' &&
         CmdFindText(line.substr(0, name.size()), name, std::nullopt, true) == 1;
}

// The name=value part of a Set-Cookie line: the value up to its first ";", trimmed; its
// attributes (path, expiry, ...) never enter the list. A line without ";" gives the empty item.
Text ReceivedCookieItem(std::string_view line) {
  const Text value = HeaderValue(line);
  const int32_t semicolon = CmdFindText(value, ";");
  return semicolon == -1 ? Text() : CmdTrimBoth(CmdTextLeft(value, semicolon - 1));
}

// What the response headers give the caller: the Location line's value (or, without one, the
// whole header text) for location, and the Set-Cookie items, merged into the cookie list, for
// cookies and receivedCookies. Only the arguments given are looked for, in the lines unfolded as
// the exchange unfolds them, so that a request object that hands over folded lines is read the
// same way.
void TakeLocationAndCookies(const Text& headerText, Text* cookies, Text* receivedCookies,
                            Text* location) {
  const bool wantsCookies = cookies != nullptr || receivedCookies != nullptr;
  platform::HeaderUnfolding unfolding;
  for (const Text& line : CmdSplitText(headerText, "\r\n")) unfolding.Add(line);
  Text received;
  for (const platform::UnfoldedHeaderLine& unfolded : unfolding.Lines()) {
    const Text& line = unfolded.text;
    if (location && IsHeaderNamed(line, "Location")) *location = HeaderValue(line);
    if (wantsCookies && IsHeaderNamed(line, "Set-Cookie")) {
      received += ReceivedCookieItem(line) + "; ";
    }
  }
  if (wantsCookies) {
    received = CmdTextLeft(received, CmdTextLength(received) - 2);
    Text noCookies;
    MergeCookies(cookies ? *cookies : noCookies, received);
    if (receivedCookies) *receivedCookies = std::move(received);
  }
  if (location && location->empty()) *location = headerText;
}

}  // namespace

ByteArray HttpRequest(const Text& url, int32_t method, const Text* postText, Text* cookies,
                      Text* receivedCookies, Text* headers, Text* location, bool noRedirect,
                      const ByteArray* postBytes, const Text* proxy, Text* responseHeaders,
                      int32_t timeoutSeconds, const Text* proxyUser, const Text* proxyPassword,
                      std::optional<int32_t> credentialsFlag, int32_t* status) {
  // An omitted headers argument refers to a fresh variable of this call.
  Text localHeaders;
  Text& headerText = headers ? *headers : localHeaders;
  const Text emptyText;
  const Text& cookieList = cookies ? *cookies : emptyText;
  const ByteArray emptyBytes;
  const Text& body = postText ? *postText : emptyText;
  const ByteArray& bodyBytes = postBytes ? *postBytes : emptyBytes;
  const Text& proxyServer = proxy ? *proxy : emptyText;
  const Text& user = proxyUser ? *proxyUser : emptyText;
  const Text& password = proxyPassword ? *proxyPassword : emptyText;
  if (status) *status = 0;

  ComInitialize();
  const Text methodText = method == 1 ? "POST" : "GET";
  ComObject request;
  if (!CmdComCreate(request, kHttpRequestProgId)) {
    ComUninitialize();
    return ByteArray();
  }

  if (timeoutSeconds != -1) {
    const int32_t ms = TimeoutMs(timeoutSeconds);
    CmdComCall(request, "SetTimeouts", ms, ms, ms, ms);
  }
  if (!proxyServer.empty()) {
    CmdComCall(request, "SetProxy", platform::kRequestProxySettingNamed, proxyServer);
    if (!user.empty()) {
      CmdComCall(request, "SetProxyCredentials", user, password, credentialsFlag.value_or(1));
    }
  }
  CmdComCall(request, "Open", methodText, url, false);
  if (noRedirect) {
    CmdComSetProperty(request, "Option", platform::kRequestOptionEnableRedirects, int32_t{0});
  }
  if (headerText.empty()) headerText = RtTextConcat("Referer: ", url, DefaultHeaderBlock);
  if (!cookieList.empty()) CmdComCall(request, "SetRequestHeader", "Cookie", cookieList);
  if (CmdFindText(headerText, "\r\n") == -1) {
    SetHeaderLine(request, headerText);
  } else {
    for (const Text& line : CmdSplitText(headerText, "\r\n")) {
      if (!line.empty()) SetHeaderLine(request, line);
    }
  }
  if (bodyBytes.Size() > 0) {
    Variant bytes;
    CmdVariantAssign(bytes, bodyBytes);
    CmdComCall(request, "Send", bytes);
  } else {
    CmdComCall(request, "Send", body);
  }

  Variant responseBody = CmdComGetVariant(request, "ResponseBody");
  // The headers are read and looked through only for a caller that takes something from them:
  // a file's download takes nothing.
  if (responseHeaders || location || cookies || receivedCookies) {
    const Text responseHeaderText = CmdComCallText(request, "GetallResponseHeaders");
    if (responseHeaders) *responseHeaders = responseHeaderText;
    if (location || cookies || receivedCookies) {
      TakeLocationAndCookies(responseHeaderText, cookies, receivedCookies, location);
    }
  }
  if (status) *status = static_cast<int32_t>(CmdComGetNumber(request, "Status"));

  CmdObjectRelease(request);
  ComUninitialize();
  // The request object held the body too until it was released: now its bytes move into the
  // result rather than being copied, so a large file is in memory once.
  return CmdVariantToBytes(std::move(responseBody));
}

Text HeaderName(std::string_view line) {
  const int32_t colon = CmdFindText(line, ":");
  return colon == -1 ? Text() : CmdTrimBoth(CmdTextLeft(line, colon - 1));
}

Text HeaderValue(std::string_view line) {
  const int32_t colon = CmdFindText(line, ":");
  return colon == -1 ? Text() : CmdTrimBoth(CmdTextRight(line, CmdTextLength(line) - colon));
}
