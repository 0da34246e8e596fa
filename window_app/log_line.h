#pragma once

#include "toolkit/runtime/text.h"

// Appends "[" + the time stamp (" hh:mm:ss", or " HH:mm:ss" on a 24-hour clock) + "] " + text +
// "\r\n" to the log box as one step under logLock, so that lines from many threads never
// interleave. Any thread.
void LogLine(const Text& text);
