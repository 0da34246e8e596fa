#pragma once

#include "runtime/text.h"

// Appends "[" + the time stamp (" hh:mm:ss", or " HH:mm:ss" on a 24-hour clock) + "] " + text +
// "\r\n" to the log box as one step under logLock, so that lines from many threads never
// interleave. The text is shown with its control bytes escaped (EscapeControlBytes): a line of
// the log is one line, whatever site text it holds. Any thread.
void LogLine(const Text& text);
