// The quote marker "#引号": written in a marker or a pattern of the program, it stands for one
// double quote, so that the built-in texts need not escape theirs.
#pragma once

#include <string_view>

inline constexpr std::string_view kQuoteMarker = "#引号";
