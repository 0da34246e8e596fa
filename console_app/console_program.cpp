#include "console_app/console_program.h"

#include "console_app/console_framework.h"
#include "crawl/category_menu.h"
#include "crawl/category_menu_html.h"
#include "crawl/crawl_rules.h"
#include "crawl/save_folder.h"
#include "runtime/process.h"
#include "toolkit/module_init.h"
#include "toolkit/regex_object.h"

int32_t ConsoleProgramMain() {
  RtInitProgram();
  ConsoleInitGlobals();
  RtRegisterExitRoutine(&ConsoleFreeGlobals);
  ConsoleInitA();
  ModuleInitA();
  ConsoleMain();
  RtRunMessageLoop();
  return 0;
}

// The program has no globals to make or free.
void ConsoleInitGlobals() {}
void ConsoleFreeGlobals() {}

int32_t ConsoleInitA() { return 0; }

int32_t ConsoleMain() {
  // Made first, so automation stays initialised on this thread for the whole run.
  RegexObject linkObject;
  RegexObject titleObject;
  Array<CategoryRecord> categories;

  CrawlSettings settings;
  settings.saveFolder = MakeSaveFolder();
  settings.markerCase = MarkerCase::kIgnoreCase;

  ParseCategoryMenu(CategoryMenuHtml, categories);
  const int32_t count = categories.Count();
  for (int32_t record = 1; record <= count; ++record) {
    CrawlCategory(categories.At(record), settings, linkObject, titleObject);
  }
  CmdStdOutput(std::nullopt, "下载完成");
  CmdDelay(kFinalWaitMs);
  return 0;
}
