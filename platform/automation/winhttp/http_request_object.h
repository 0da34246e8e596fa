// The "WinHttp.WinHttpRequest.5.1" class: an HTTP request object driven by member name, as
// the program's HTTP routine expects, on HttpExchange (libcurl).
//
// Members (names found without regard to case): SetTimeouts(resolve, connect, send, receive),
// SetProxy(setting, server), Open(method, url, async) (synchronous only), the indexed property
// Option (index 6: follow redirects), SetRequestHeader(name, value), Send([body]),
// ResponseBody, GetAllResponseHeaders, Status. There is no SetProxyCredentials.
// Reading the response before a complete exchange fails, as the Windows object does.
#pragma once

#include <memory>

#include "platform/automation/dispatch_object.h"

namespace platform {

std::shared_ptr<DispatchObject> CreateHttpRequestObject();

}  // namespace platform
