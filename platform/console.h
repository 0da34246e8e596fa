#pragma once

#include <string_view>

namespace platform {

enum class ConsoleStream { kOutput, kError };

// Writes GBK text to standard output or standard error, converted to the terminal's charset,
// through the buffered C streams and without a flush.
void WriteConsole(ConsoleStream stream, std::string_view gbk);

}  // namespace platform
