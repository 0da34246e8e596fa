// The category list: one record per link of a category menu, with the heading it stands under.
#pragma once

#include <string_view>

#include "runtime/array.h"
#include "runtime/text.h"

struct CategoryRecord {
  Text heading;   // the menu heading above the link: the first folder level
  Text linkText;  // the link's text: the second folder level
  Text href;      // the link's address relative to the site, beginning with "/"
  friend bool operator==(const CategoryRecord&, const CategoryRecord&) = default;
};

// Every name in the menu: a double quote, ">", the shortest run up to the next "<".
inline constexpr std::string_view kMenuNamePattern = R"re(">([\s\S]*?)<)re";
// Every link address: the shortest run between href=" and the next ">.
inline constexpr std::string_view kMenuLinkPattern = R"re(href="([\s\S]*?)">)re";

// Appends one record per link of menuHtml (CategoryMenuHtml in both programs) to categories,
// in menu order. A name counts as a heading when the bytes ten before its first occurrence in
// the menu hold an "=" (the end of color="yellow">); every other name is a link and takes the
// next link address. Appends nothing when the regular-expression object is unavailable.
void ParseCategoryMenu(std::string_view menuHtml, Array<CategoryRecord>& categories);
