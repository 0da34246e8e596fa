#include "platform/console.h"

#include <cstdio>

#include "platform/codepage.h"

namespace platform {

void WriteConsole(ConsoleStream stream, std::string_view gbk) {
  std::string shown = GbkToTerminal(gbk);
  std::fwrite(shown.data(), 1, shown.size(), stream == ConsoleStream::kError ? stderr : stdout);
}

}  // namespace platform
