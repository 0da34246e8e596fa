// The HTML of the site's pages, written in the markup the crawl rules look for. Every text in
// and out is GBK.
#pragma once

#include <string>
#include <vector>

#include "tools/sample_site/categories.h"

namespace sample_site {

struct ListEntry {
  std::string detailLink;
  std::string title;
  bool titleMarkup = true;  // false: the title attribute in single quotation marks
};

// Holds "共 <strong>N</strong>" and links to 'list_ID_n.html'.
std::string CategoryPageHtml(const Category& category, const std::string& listId, int pageCount,
                             int itemCount);
std::string ListPageHtml(const Category& category, const std::string& listId, int page,
                         int pageCount, const std::vector<ListEntry>& entries);
// Links the download script as '/plus/download.php?QUERY' target=...
std::string DetailPageHtml(const std::string& title, const std::string& scriptQuery);
// Links the file as "/plus/download.php?QUERY".
std::string ScriptPageHtml(const std::string& title, const std::string& fileQuery);
std::string NotFoundHtml();

}  // namespace sample_site
