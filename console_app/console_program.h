// trovanel-console: the whole crawl once, one category after another on the main thread, one
// line per saved file on standard output, then "下载完成" and a three-second wait.
#pragma once

#include <cstdint>

// The wait after "下载完成", before the program ends.
inline constexpr int32_t kFinalWaitMs = 3000;

int32_t ConsoleProgramMain();
void ConsoleInitGlobals();
void ConsoleFreeGlobals();
int32_t ConsoleInitA();
int32_t ConsoleMain();
