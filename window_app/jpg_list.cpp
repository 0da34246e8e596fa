#include "window_app/jpg_list.h"

#include "runtime/conversions.h"
#include "runtime/files.h"
#include "runtime/process.h"
#include "runtime/text_operations.h"
#include "window_app/globals.h"

void LoadJpgList() {
  const Text path = CmdSpecialFolder(kDesktopFolder) + "jpg.xml";
  const ByteArray bytes = CmdReadFile(path);
  const Text text = CmdToText(bytes);
  *jpgLines = CmdSplitText(text, "\r\n");
}
