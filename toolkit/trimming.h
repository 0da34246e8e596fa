// Cleaning the names read from markup.
#pragma once

#include <string_view>

#include "runtime/text.h"

// Drops one "\r\n" at the start and one at the end, then every CR that begins a line and every
// LF that ends one (a LF followed by another line break or by the end), through a RegexObject
// on this thread. "" when the regular-expression object cannot be created.
Text TrimLineBreaks(Text text);

// Without its leading and trailing ASCII blanks; tabs, line breaks and the full-width blank
// stay.
Text TrimBlanks(Text text);

// The pattern of TrimLineBreaks, as the expression language reads it: "\r" and "\n" are
// escapes, not control characters.
inline constexpr std::string_view kLineBreakPattern = R"((?:^\r|\n$))";
