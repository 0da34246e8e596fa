// The folder that both programs save the crawl's files in: "文件" in the program's folder.
#pragma once

#include "runtime/text.h"

// Makes the program folder's "文件" folder (one already there stays as it is) and gives its
// path with a trailing "/", as CrawlSettings::saveFolder takes it.
Text MakeSaveFolder();
