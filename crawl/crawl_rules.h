// The crawl of one category, shared by both programs: its two folders, its category page, its
// list pages in order, and for each item the download chain, the file and the report lines.
#pragma once

#include <functional>
#include <string_view>

#include "crawl/category_menu.h"
#include "crawl/download_link.h"
#include "runtime/text.h"
#include "toolkit/regex_object.h"

// An item of a list page: its detail link, at most kMaxDetailLinkBytes long...
inline constexpr std::string_view kDetailLinkPattern =
    R"re(<div align="center"><a href="([\s\S]*?)" title=)re";
// ...and its title, paired with the link of the same position.
inline constexpr std::string_view kTitlePattern = R"re(html" title="([\s\S]*?)" target)re";
inline constexpr int32_t kMaxDetailLinkBytes = 39;

inline constexpr std::string_view kSavedPrefix = "下载成功:";
inline constexpr std::string_view kFailedPrefix = "下载失败:";

struct CrawlSettings {
  Text saveFolder;  // MakeSaveFolder's path: the program folder + "/文件/"
  MarkerCase markerCase = MarkerCase::kExact;
  // Called with the path of every file that was fetched and written (the windowed program
  // logs it); may be empty.
  std::function<void(const Text& path)> fileSaved;
};

// Crawls one category with the given pattern objects (their earlier patterns are replaced).
// Every saved file gets "下载成功:" + path + "\r\n" on standard output once it is written; an
// item whose file could not be resolved, fetched or written gets "下载失败:" + path + "\r\n" on
// standard error and leaves any file already at the path as it was. A title holding "/" or a
// control byte, or one that is not valid GBK, makes no file name: its item fails.
// A category page or list page whose exchange broke off or whose status is not 2xx gets
// "下载失败:" + its address + "\r\n" on standard error; the crawl reads the body it got all the
// same (none from a broken exchange: no list pages, or no items). A page that came whole and
// lists nothing says nothing.
// The path or address in every line is shown with its control bytes escaped
// (EscapeControlBytes), so a line is one line whatever the site's title or list id holds.
void CrawlCategory(const CategoryRecord& record, const CrawlSettings& settings,
                   RegexObject& linkObject, RegexObject& titleObject);

// The list page address of page n: base address + href + "list_" + id + "_" + n + ".html".
Text ListPageAddress(std::string_view href, std::string_view listId, int32_t pageNumber);
