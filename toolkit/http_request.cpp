#include "toolkit/http_request.h"

#include <limits>

#include "toolkit/cookie_list.h"
#include "toolkit/runtime/automation.h"
#include "toolkit/runtime/text_operations.h"

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

// A response header is known by its name at the start of its line, in any case, with the colon
// right after it: "Content-Location: /c" is no Location, a value that mentions Set-Cookie sets
// none, and a line that begins with a blank continues the header before it.
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

}  // namespace

ByteArray HttpRequest(const Text& url, int32_t method, const Text* postText, Text* cookies,
                      Text* receivedCookies, Text* headers, Text* location, bool noRedirect,
                      const ByteArray* postBytes, const Text* proxy, Text* responseHeaders,
                      int32_t timeoutSeconds, const Text* proxyUser, const Text* proxyPassword,
                      std::optional<int32_t> credentialsFlag, int32_t* status) {
  // Omitted by-reference arguments refer to fresh variables of this call.
  Text localCookies, localReceived, localHeaders, localLocation, localResponseHeaders;
  Text& cookieList = cookies ? *cookies : localCookies;
  Text& received = receivedCookies ? *receivedCookies : localReceived;
  Text& headerText = headers ? *headers : localHeaders;
  Text& locationText = location ? *location : localLocation;
  Text& responseHeaderText = responseHeaders ? *responseHeaders : localResponseHeaders;
  const Text emptyText;
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
    CmdComCall(request, "SetProxy", int32_t{2}, proxyServer);
    if (!user.empty()) {
      CmdComCall(request, "SetProxyCredentials", user, password, credentialsFlag.value_or(1));
    }
  }
  CmdComCall(request, "Open", methodText, url, false);
  if (noRedirect) CmdComSetProperty(request, "Option", int32_t{6}, int32_t{0});
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
  responseHeaderText = CmdComCallText(request, "GetallResponseHeaders");

  received.clear();
  for (const Text& line : CmdSplitText(responseHeaderText, "\r\n")) {
    if (IsHeaderNamed(line, "Location")) locationText = HeaderValue(line);
    if (IsHeaderNamed(line, "Set-Cookie")) received += ReceivedCookieItem(line) + "; ";
  }
  received = CmdTextLeft(received, CmdTextLength(received) - 2);
  MergeCookies(cookieList, received);
  if (locationText.empty()) locationText = responseHeaderText;
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
