// The numbers that callers of the HTTP request object pass to name what they set: the index of
// its indexed Option property and the setting of SetProxy. The object and its callers read them
// from here alone.
#pragma once

#include <cstdint>

namespace platform {

// Option's index whose value says whether redirects are followed.
inline constexpr int32_t kRequestOptionEnableRedirects = 6;
// SetProxy's setting that names a proxy server; any other setting keeps libcurl's own reading of
// http_proxy / no_proxy.
inline constexpr int32_t kRequestProxySettingNamed = 2;

}  // namespace platform
