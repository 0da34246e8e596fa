// Cutting out the text that lies between a start marker and an end marker. In either marker
// kQuoteMarker stands for a double quote; the searched text is taken as it stands. Searches
// step over double-byte characters as CmdFindText does; the end marker is looked for only
// after the start marker. A missing marker gives "".
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/text.h"

// startPos is the byte position to search from (below 1: the first byte). Case is respected
// unless ignoreCase is true.
Text TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker,
                 int32_t startPos = 0, bool ignoreCase = false);

// As TextBetween, but case is ignored unless caseSensitive is true.
Text TextBetweenNoCase(std::string_view text, std::string_view startMarker,
                       std::string_view endMarker, int32_t startPos = 0,
                       bool caseSensitive = false);
