#include "tools/sample_site/site_model.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "platform/codepage.h"
#include "tools/sample_site/file_bytes.h"
#include "tools/sample_site/page_markup.h"

namespace sample_site {
namespace {

constexpr size_t kLongestFollowedLink = 39;
constexpr size_t kLongestFileName = 255;  // bytes of one UTF-8 name on Linux file systems

bool EndsWithHtmlIgnoringCase(std::string_view link) {
  if (link.size() < 4) return false;
  std::string tail(link.substr(link.size() - 4));
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return tail == "html";
}

// The links a sound crawl follows: short enough, and a path of the site, not another host.
bool IsFollowed(std::string_view link) {
  return link.size() <= kLongestFollowedLink && link.starts_with("/") && !link.starts_with("//");
}

// Drops every backslash, stepping over double-byte characters whose second byte is 0x5C.
std::string WithoutBackslashes(std::string_view title) {
  std::string cleaned;
  for (size_t pos = 0; pos < title.size(); ++pos) {
    if (platform::IsDoubleByteLead(title[pos]) && pos + 1 < title.size()) {
      cleaned += title.substr(pos++, 2);
    } else if (title[pos] != '\\') {
      cleaned += title[pos];
    }
  }
  return cleaned;
}

// A sound crawl saves no file for a title with "/" (not even as the second byte of a
// double-byte character), with a control byte, or that the code page reads otherwise than the
// text routines do.
bool CanNameAFile(std::string_view title) {
  return platform::ReadsAsGbkCharacters(title) &&
         std::none_of(title.begin(), title.end(), [](char byte) {
           const auto value = static_cast<unsigned char>(byte);
           return byte == '/' || value < 0x20 || value == 0x7F;
         });
}

std::string Hex32(uint64_t value) {
  char buffer[9];
  std::snprintf(buffer, sizeof buffer, "%08x", static_cast<unsigned>(value & 0xFFFFFFFFu));
  return buffer;
}

}  // namespace

SiteModel::SiteModel(SiteConfig config) : config_(std::move(config)) {
  const int categoryCount = static_cast<int>(config_.categories.size());
  for (int category = 1; category <= categoryCount; ++category) {
    resources_.emplace(CategoryPagePath(category), Resource{ResourceKind::kCategoryPage, category});
    for (int page = 1; page <= config_.pagesPerCategory; ++page) {
      resources_.emplace(ListPagePath(category, page),
                         Resource{ResourceKind::kListPage, category, page});
      for (int position = 1; position <= config_.itemsPerPage; ++position) {
        Item item;
        item.key = {category, page, position};
        item.number = static_cast<int>(items_.size()) + 1;
        const std::string number = std::to_string(item.number);
        item.detailLink = "/show/" + number + ".html";
        item.title = "示例课件" + number;
        item.scriptPath =
            "/plus/download.php?open=0&aid=" + number + "&cid=" + std::to_string(category);
        item.filePath = "/plus/download.php?open=2&id=" + number +
                        "&uhash=" + Hex32(Mix64(config_.seed * 31 + item.number));
        item.fileSize = config_.fileSize;
        if (auto found = config_.overrides.find(item.key); found != config_.overrides.end()) {
          const ItemOverride& change = found->second;
          if (change.title) item.title = *change.title;
          if (change.detailLink) item.detailLink = *change.detailLink;
          if (change.fileSize) item.fileSize = *change.fileSize;
          item.titleMarkup = !change.withoutTitleMarkup;
        }
        // The title pattern begins at the end of the link, so a link that does not end in
        // "html" leaves its item without a title match.
        item.titleMarkup = item.titleMarkup && EndsWithHtmlIgnoringCase(item.detailLink);
        if (IsFollowed(item.detailLink)) item.detailPath = item.detailLink;
        items_.push_back(std::move(item));
      }
    }
  }
  for (const Item& item : items_) {
    if (!item.detailPath.empty()) {
      resources_.emplace(item.detailPath, Resource{ResourceKind::kDetailPage, 0, 0, item.number});
    }
    resources_.emplace(item.scriptPath, Resource{ResourceKind::kScriptPage, 0, 0, item.number});
    resources_.emplace(item.filePath, Resource{ResourceKind::kFile, 0, 0, item.number});
  }
}

const Item& SiteModel::ItemAt(const ItemKey& key) const {
  const int categoryCount = static_cast<int>(config_.categories.size());
  if (key.category < 1 || key.category > categoryCount || key.page < 1 ||
      key.page > config_.pagesPerCategory || key.position < 1 ||
      key.position > config_.itemsPerPage) {
    throw std::out_of_range("no such item on the sample site");
  }
  return items_[FirstItemIndex(key.category, key.page) + key.position - 1];
}

size_t SiteModel::FirstItemIndex(int category, int page) const {
  return (static_cast<size_t>(category - 1) * config_.pagesPerCategory + (page - 1)) *
         config_.itemsPerPage;
}

std::string SiteModel::ListId(int category) const {
  return std::to_string(Mix64(config_.seed * 1009 + category) % 900 + 100);
}

std::string SiteModel::CategoryPagePath(int category) const {
  return config_.categories.at(category - 1).href;
}

std::string SiteModel::ListPagePath(int category, int page) const {
  return CategoryPagePath(category) + "list_" + ListId(category) + "_" + std::to_string(page) +
         ".html";
}

std::optional<Resource> SiteModel::Find(std::string_view path) const {
  auto found = resources_.find(std::string(path));
  if (found == resources_.end()) return std::nullopt;
  return found->second;
}

std::string SiteModel::PageBody(const Resource& resource) const {
  switch (resource.kind) {
    case ResourceKind::kCategoryPage:
      return CategoryPageHtml(config_.categories.at(resource.category - 1),
                              ListId(resource.category), config_.pagesPerCategory,
                              config_.pagesPerCategory * config_.itemsPerPage);
    case ResourceKind::kListPage:
      return ListPageBody(resource.category, resource.page);
    case ResourceKind::kDetailPage: {
      const Item& item = ItemByNumber(resource.itemNumber);
      return DetailPageHtml(item.title, item.scriptPath.substr(item.scriptPath.find('?') + 1));
    }
    case ResourceKind::kScriptPage: {
      const Item& item = ItemByNumber(resource.itemNumber);
      return ScriptPageHtml(item.title, item.filePath.substr(item.filePath.find('?') + 1));
    }
    case ResourceKind::kFile:
      break;
  }
  throw std::logic_error("a file has no page body");
}

std::string SiteModel::ListPageBody(int category, int page) const {
  std::vector<ListEntry> entries;
  const size_t first = FirstItemIndex(category, page);
  for (int position = 0; position < config_.itemsPerPage; ++position) {
    const Item& item = items_[first + position];
    entries.push_back({item.detailLink, item.title, item.titleMarkup});
  }
  return ListPageHtml(config_.categories.at(category - 1), ListId(category), page,
                      config_.pagesPerCategory, entries);
}

std::string SiteModel::NotFoundBody() { return NotFoundHtml(); }

std::string SiteModel::FileContent(int itemNumber, size_t offset, size_t length) const {
  const size_t size = ItemByNumber(itemNumber).fileSize;
  offset = std::min(offset, size);
  return FileBytes(config_.seed, itemNumber, offset, std::min(length, size - offset));
}

std::string SiteModel::FileContent(int itemNumber) const {
  return FileContent(itemNumber, 0, ItemByNumber(itemNumber).fileSize);
}

template <typename Visit>
void SiteModel::ForEachFollowedItem(Visit visit) const {
  for (int category = 1; category <= static_cast<int>(config_.categories.size()); ++category) {
    for (int page = 1; page <= config_.pagesPerCategory; ++page) {
      // Links and titles are paired by their position among the page's matches.
      std::vector<std::string> titles;
      const size_t first = FirstItemIndex(category, page);
      for (int position = 0; position < config_.itemsPerPage; ++position) {
        if (items_[first + position].titleMarkup) titles.push_back(items_[first + position].title);
      }
      for (int position = 0; position < config_.itemsPerPage; ++position) {
        const Item& item = items_[first + position];
        if (!IsFollowed(item.detailLink)) continue;
        const std::string title =
            position < static_cast<int>(titles.size()) ? titles[position] : std::string();
        const std::optional<Resource> detail = Find(item.detailLink);
        const Item* resolved = detail && detail->kind == ResourceKind::kDetailPage
                                   ? &ItemByNumber(detail->itemNumber)
                                   : nullptr;
        visit(category, title, resolved, item.detailLink);
      }
    }
  }
}

std::vector<ExpectedFile> SiteModel::ExpectedFiles() const {
  std::vector<ExpectedFile> files;
  ForEachFollowedItem([&](int category, const std::string& title, const Item* resolved,
                          const std::string&) {
    if (resolved == nullptr || !CanNameAFile(title)) return;
    const std::string name = WithoutBackslashes(title) + ".rar";
    const std::optional<std::string> utf8Name = platform::GbkToUtf8(name);
    if (!utf8Name || utf8Name->size() > kLongestFileName) return;
    const Category& where = config_.categories[category - 1];
    ExpectedFile file;
    file.path = where.heading + "/" + where.linkText + "/" + name;
    file.utf8Path =
        platform::GbkToUtf8(where.heading + "/" + where.linkText + "/").value_or("") + *utf8Name;
    file.itemNumber = resolved->number;
    file.size = resolved->fileSize;
    auto same = std::find_if(files.begin(), files.end(),
                             [&](const ExpectedFile& other) { return other.path == file.path; });
    if (same != files.end()) {
      *same = std::move(file);
    } else {
      files.push_back(std::move(file));
    }
  });
  return files;
}

std::vector<std::string> SiteModel::CrawlRequests() const {
  std::vector<std::string> paths;
  for (int category = 1; category <= static_cast<int>(config_.categories.size()); ++category) {
    paths.push_back(CategoryPagePath(category));
    for (int page = 1; page <= config_.pagesPerCategory; ++page) {
      paths.push_back(ListPagePath(category, page));
      const size_t first = FirstItemIndex(category, page);
      for (int position = 0; position < config_.itemsPerPage; ++position) {
        const Item& item = items_[first + position];
        if (!IsFollowed(item.detailLink)) continue;
        paths.push_back(item.detailLink);
        const std::optional<Resource> detail = Find(item.detailLink);
        if (!detail || detail->kind != ResourceKind::kDetailPage) {
          paths.push_back("/plus/download.php?");  // the script with an empty key: no file
          continue;
        }
        const Item& resolved = ItemByNumber(detail->itemNumber);
        paths.push_back(resolved.scriptPath);
        paths.push_back(resolved.filePath);
      }
    }
  }
  return paths;
}

}  // namespace sample_site
