// The built-in category menu: 8 headings and 42 category links, in GBK, 65 lines joined by
// "\r\n" (3124 bytes). Both programs crawl the categories it lists.
#pragma once

#include <string_view>

extern const std::string_view CategoryMenuHtml;
