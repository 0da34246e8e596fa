// The sample site's content, generated from a SiteConfig: the pages and files behind every path,
// and what a sound crawl of the whole site saves.
//
// Shape (paths after the host; every text GBK):
//   category page  Category::href, with "共 <strong>N</strong>" and links 'list_ID_n.html'
//   list page      href + "list_" + ID + "_" + n + ".html", one
//                  <div align="center"><a href="LINK" title="TITLE" target="_blank"> per item
//   detail page    /show/NUMBER.html, linking '/plus/download.php?open=0&aid=NUMBER&cid=C' target
//   script page    /plus/download.php?open=0&aid=NUMBER&cid=C, linking
//                  "/plus/download.php?open=2&id=NUMBER&uhash=HASH"
//   file           /plus/download.php?open=2&id=NUMBER&uhash=HASH
// A model is immutable, so every thread of the server may read it without a lock.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tools/sample_site/site_config.h"

namespace sample_site {

struct Item {
  ItemKey key;
  int number = 0;           // 1-based across the site, in crawl order
  std::string detailLink;   // as the list page writes it
  std::string title;        // as the list page writes it
  bool titleMarkup = true;  // whether the title pattern finds this item's title
  std::string detailPath;   // where its detail page is served; empty when the link is not a path
  std::string scriptPath;
  std::string filePath;
  size_t fileSize = 0;
};

// A file that a sound crawl of the site, without faults, leaves on disk.
struct ExpectedFile {
  std::string path;      // GBK: heading + "/" + linkText + "/" + title + ".rar", relative
  std::string utf8Path;  // the same path as the file system names it
  int itemNumber = 0;    // the item whose bytes the file holds (the last one written there)
  size_t size = 0;
};

enum class ResourceKind { kCategoryPage, kListPage, kDetailPage, kScriptPage, kFile };

struct Resource {
  ResourceKind kind;
  int category = 0;    // 1-based, for category and list pages
  int page = 0;        // 1-based, for list pages
  int itemNumber = 0;  // for detail pages, script pages and files
};

class SiteModel {
 public:
  explicit SiteModel(SiteConfig config);

  const SiteConfig& Config() const { return config_; }

  // Every item, in crawl order: category, page, position.
  const std::vector<Item>& Items() const { return items_; }
  // Throws std::out_of_range for a key outside the site.
  const Item& ItemAt(const ItemKey& key) const;
  const Item& ItemByNumber(int number) const { return items_.at(number - 1); }

  // The digits that stand between "list_" and "_" in the category's list-page names.
  std::string ListId(int category) const;
  std::string CategoryPagePath(int category) const;
  std::string ListPagePath(int category, int page) const;

  // What the site serves at a path (query included, scheme and host removed).
  std::optional<Resource> Find(std::string_view path) const;
  // The GBK page of a category, list, detail or script resource.
  std::string PageBody(const Resource& resource) const;
  // The page served for a path the site does not have.
  static std::string NotFoundBody();

  std::string FileContent(int itemNumber, size_t offset, size_t length) const;
  std::string FileContent(int itemNumber) const;

  // Applies the crawl rules to the site's own pages: the files a crawl saves, in the order of
  // their first write, each path once.
  std::vector<ExpectedFile> ExpectedFiles() const;
  // The paths a sequential crawl requests, in order (a baseline client can replay them).
  std::vector<std::string> CrawlRequests() const;

 private:
  size_t FirstItemIndex(int category, int page) const;
  std::string ListPageBody(int category, int page) const;

  // Calls visit(category, title, resolvedItemOrNull, detailLink) for every item a crawl follows.
  template <typename Visit>
  void ForEachFollowedItem(Visit visit) const;

  SiteConfig config_;
  std::vector<Item> items_;
  std::unordered_map<std::string, Resource> resources_;
};

}  // namespace sample_site
