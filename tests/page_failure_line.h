// The crawl's report of a category page or list page it could not fetch, as the tests see it
// printed (UTF-8): "下载失败:" + the page's address + "\r\n".
#pragma once

#include <string>

#include "crawl/site_address.h"

// The line of the site page at `path` (the part after the base address, as printed).
inline std::string FailedPageLine(const std::string& path) {
  return reinterpret_cast<const char*>(u8"下载失败:") + std::string(SiteBaseAddress()) + path +
         "\r\n";
}
