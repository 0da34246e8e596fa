#include "crawl/save_folder.h"

#include "runtime/files.h"

Text MakeSaveFolder() {
  CmdCreateDirectory(CmdRunDirectory() + "/文件");
  return CmdRunDirectory() + "/文件/";
}
