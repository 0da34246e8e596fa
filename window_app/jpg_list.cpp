#include "window_app/jpg_list.h"

#include "toolkit/runtime/conversions.h"
#include "toolkit/runtime/files.h"
#include "toolkit/runtime/process.h"
#include "toolkit/runtime/text_operations.h"
#include "window_app/globals.h"

void LoadJpgList() {
  const Text path = CmdSpecialFolder(kDesktopFolder) + "jpg.xml";
  const ByteArray bytes = CmdReadFile(path);
  const Text text = CmdToText(bytes);
  *jpgLines = CmdSplitText(text, "\r\n");
}
