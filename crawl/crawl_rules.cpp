#include "crawl/crawl_rules.h"

#include <algorithm>
#include <utility>

#include "crawl/site_address.h"
#include "platform/codepage.h"
#include "runtime/conversions.h"
#include "runtime/files.h"
#include "runtime/process.h"
#include "runtime/text_operations.h"
#include "toolkit/control_bytes.h"
#include "toolkit/http_request.h"
#include "toolkit/is_directory.h"

namespace {

void EnsureFolder(const Text& path) {
  if (!IsDirectory(path)) CmdCreateDirectory(path);
}

// A detail link the crawl follows: short enough, and a path on the site itself. A link that
// does not begin with "/" (such as "@host/x") or begins with "//" would turn the base address
// into an address on another host.
bool IsFollowedLink(std::string_view link) {
  return CmdTextLength(link) <= kMaxDetailLinkBytes && link.size() >= 1 && link[0] == '/' &&
         (link.size() < 2 || link[1] != '/');
}

bool IsSuccessStatus(int32_t status) { return status >= 200 && status <= 299; }

struct Fetched {
  ByteArray body;  // empty when the exchange broke off
  bool succeeded;  // a complete exchange with a 2xx status
};

Fetched Fetch(const Text& address) {
  int32_t status = 0;
  ByteArray body =
      HttpRequest(address, 0, nullptr, nullptr, nullptr, nullptr, nullptr, false, nullptr, nullptr,
                  nullptr, 0, nullptr, nullptr, std::nullopt, &status);
  return {std::move(body), IsSuccessStatus(status)};
}

// "下载失败:" + what failed (a file's path or a page's address) on standard error. The site's
// text in it is escaped, so the line stays one line.
void ReportFailure(const Text& what) {
  CmdStdOutput(kStandardError, kFailedPrefix, EscapeControlBytes(what), "\r\n");
}

// A category or list page as text. One that could not be fetched is reported, and the crawl
// reads whatever body came (a broken exchange gives the empty page, so nothing is listed):
// without the line a run that fetched nothing would read as one that had nothing to fetch.
Text FetchPage(const Text& address) {
  const Fetched page = Fetch(address);
  if (!page.succeeded) ReportFailure(address);
  return CmdToText(page.body);
}

// Fetches the file and writes it; false when the exchange broke off, gave no body or an
// error status, or the write failed. Nothing is written in those cases.
bool FetchFile(const Text& address, const Text& path) {
  const Fetched file = Fetch(address);
  if (!file.succeeded || file.body.Empty()) return false;
  return CmdWriteFile(path, file.body);
}

// A title that can be a file name: one with "/" would put the file outside the category's
// folder, and one with a control byte is no name to show or to keep. The "/" check and the
// backslash removal read the title as the text routines do; the file name is made by the code
// page, so a title on which the two readings differ (80 2F: one character, or a euro sign and
// a "/") names no file either.
bool IsFileNameTitle(std::string_view title) {
  return platform::ReadsAsGbkCharacters(title) && CmdFindText(title, "/") == -1 &&
         std::none_of(title.begin(), title.end(), IsControlByte);
}

void DownloadItem(const Text& link, const Text& rawTitle, const Text& folder,
                  const CrawlSettings& settings) {
  const Text downloadAddress =
      ResolveDownloadLink(RtTextConcat(SiteBaseAddress(), link), settings.markerCase);
  const Text title = CmdReplaceText(rawTitle, "\\", std::nullopt, std::nullopt, std::nullopt, true);
  const Text path = RtTextConcat(folder, title, ".rar");
  // An unresolved address (the bare script address) is no file.
  const bool saved = downloadAddress != DownloadScriptAddress() && IsFileNameTitle(title) &&
                     FetchFile(downloadAddress, path);
  if (saved) {
    CmdStdOutput(std::nullopt, kSavedPrefix, EscapeControlBytes(path), "\r\n");
    if (settings.fileSaved) settings.fileSaved(path);
  } else {
    ReportFailure(path);
  }
}

}  // namespace

Text ListPageAddress(std::string_view href, std::string_view listId, int32_t pageNumber) {
  return RtTextConcat(SiteBaseAddress(), href, "list_", listId, "_", CmdToText(pageNumber),
                      ".html");
}

void CrawlCategory(const CategoryRecord& record, const CrawlSettings& settings,
                   RegexObject& linkObject, RegexObject& titleObject) {
  const Text headingFolder = settings.saveFolder + record.heading;
  EnsureFolder(headingFolder);
  const Text categoryFolder = RtTextConcat(headingFolder, "/", record.linkText);
  EnsureFolder(categoryFolder);
  const Text itemFolder = categoryFolder + "/";

  const Text categoryPage = FetchPage(RtTextConcat(SiteBaseAddress(), record.href));
  const int32_t pageCount =
      CmdToInteger(MarkedText(categoryPage, "共 <strong>", "</strong>", settings.markerCase));
  const Text listId = MarkedText(categoryPage, "'list_", "_", settings.markerCase);

  for (int32_t page = 1; page <= pageCount; ++page) {
    const Text listPage = FetchPage(ListPageAddress(record.href, listId, page));
    linkObject.Create(kDetailLinkPattern, listPage);
    titleObject.Create(kTitlePattern, listPage);
    const int32_t itemCount = linkObject.MatchCount();
    for (int32_t item = 1; item <= itemCount; ++item) {
      // A skipped link uses up its title too: titles go by position.
      const Text link = linkObject.SubMatch(item, 1);
      if (!IsFollowedLink(link)) continue;
      DownloadItem(link, titleObject.SubMatch(item, 1), itemFolder, settings);
    }
  }
}
