// HttpRequest: one complete HTTP exchange through the "WinHttp.WinHttpRequest.5.1" automation
// object, with the default header block, time-outs, proxy, redirect control and cookies.
//
// The by-reference arguments are pointers; a null one stands for a fresh empty variable that
// is thrown away afterwards, and the work that only fills it is not done: the response headers
// are read only when responseHeaders, location, cookies or receivedCookies is given. Every call
// makes and releases its own request object and brackets the exchange with its own automation
// initialisation, so it runs on any thread.
//
// Failures are silent: a failed exchange (no connection, a time-out, a reset or a body cut
// short) gives the empty body, empty responseHeaders and receivedCookies, and leaves location
// as the caller passed it. An error status is no failure: its body is returned. status, when
// given, receives the final status of a complete exchange, or 0.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "runtime/byte_array.h"
#include "runtime/text.h"

// The lines that follow "Referer: " + url in the default request headers (220 bytes).
extern const std::string_view DefaultHeaderBlock;

inline constexpr std::string_view kHttpRequestProgId = "WinHttp.WinHttpRequest.5.1";

ByteArray HttpRequest(const Text& url, int32_t method = 0, const Text* postText = nullptr,
                      Text* cookies = nullptr, Text* receivedCookies = nullptr,
                      Text* headers = nullptr, Text* location = nullptr, bool noRedirect = false,
                      const ByteArray* postBytes = nullptr, const Text* proxy = nullptr,
                      Text* responseHeaders = nullptr, int32_t timeoutSeconds = 0,
                      const Text* proxyUser = nullptr, const Text* proxyPassword = nullptr,
                      std::optional<int32_t> credentialsFlag = std::nullopt,
                      int32_t* status = nullptr);

// The name before the first ":" of a header line, trimmed; "" without a colon.
Text HeaderName(std::string_view line);
// Everything after the first ":", trimmed; "" without a colon.
Text HeaderValue(std::string_view line);
