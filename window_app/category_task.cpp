#include "window_app/category_task.h"

#include "crawl/crawl_rules.h"
#include "toolkit/regex_object.h"
#include "window_app/globals.h"
#include "window_app/log_line.h"

void CategoryTaskEntry(int32_t argument, int32_t /*key*/) { DownloadCategory(argument); }

void DownloadCategory(int32_t index) {
  // Made first: they keep automation initialised on this worker for the whole category.
  RegexObject linkObject;
  RegexObject titleObject;
  const CategoryRecord& record = categories->At(index);
  const CrawlSettings settings{saveFolder, MarkerCase::kExact, &LogLine};
  CrawlCategory(record, settings, linkObject, titleObject);
}
