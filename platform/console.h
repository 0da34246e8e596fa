#pragma once

#include <string_view>

namespace platform {

enum class ConsoleStream { kOutput, kError };

// Writes GBK text to standard output or standard error, converted to the terminal's charset,
// straight to the file descriptor with no stdio buffer in between: the text is on its way when
// the call returns, on a terminal, a pipe or a file alike. One call is one piece among
// concurrent writers of this process on either stream: the writes of both streams take turns
// under one lock, so a line is whole even where both streams reach the same terminal or pipe.
// A short write goes on with the rest; a stream that fails (closed, full disk) drops the rest.
void WriteConsole(ConsoleStream stream, std::string_view gbk);

// Bytes already in the terminal's charset, written as WriteConsole writes them but without its
// lock, allocating nothing: for the fatal report, which must not wait for a writer that may
// never finish (one blocked on a full pipe). A report is shorter than PIPE_BUF, so a pipe
// still takes it whole.
void WriteConsoleBytes(ConsoleStream stream, std::string_view bytes) noexcept;

}  // namespace platform
