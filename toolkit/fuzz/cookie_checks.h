// What every merged cookie list satisfies, for the fuzz targets that produce one.
#pragma once

#include <string_view>

// Whether an item of the list ends in "=deleted". A merged list never holds one: its items are
// joined by "; ", and a ";" after an ASCII letter always ends an item.
inline bool HoldsDeletedItem(std::string_view cookieList) {
  return cookieList.find("=deleted;") != std::string_view::npos || cookieList.ends_with("=deleted");
}
