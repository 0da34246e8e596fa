// Byte-level operations on GBK texts. A character is one byte below 0x80, or a byte of 0x80 or
// more with the byte after it; searches step over whole characters, so a needle is only found
// where a character starts. A space is the ASCII blank or the full-width blank A1 A1.
// Each operation returns a new text and leaves its arguments alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "runtime/array.h"
#include "runtime/text.h"

int32_t CmdTextLength(std::string_view text);
// The first min(n, length) bytes; "" when n <= 0. May cut a double-byte character.
Text CmdTextLeft(std::string_view text, int32_t n);
Text CmdTextRight(std::string_view text, int32_t n);
// n bytes from byte position start; "" when start < 1, start > length or n <= 0.
Text CmdTextMiddle(std::string_view text, int32_t start, int32_t n);

// The 1-based byte position of the first occurrence at or after start, or -1. An empty needle
// gives 1 while a byte remains to scan. ignoreCase folds A-Z and a-z only.
int32_t CmdFindText(std::string_view text, std::string_view needle,
                    std::optional<int32_t> start = std::nullopt, bool ignoreCase = false);

Text CmdTrimBoth(std::string_view text);
Text CmdRemoveAllSpaces(std::string_view text);

// Replaces occurrences of find from byte position start (default 1), at most count of them
// (default all; a given 0 means none). with defaults to "".
Text CmdReplaceText(std::string_view text, std::string_view find,
                    std::optional<std::string_view> with = std::nullopt,
                    std::optional<int32_t> start = std::nullopt,
                    std::optional<int32_t> count = std::nullopt, bool caseSensitive = false);

// Splits at separator (default ","), making at most maxParts elements. A stretch after the last
// separator is an element only when it is not empty.
Array<Text> CmdSplitText(std::string_view text,
                         std::optional<std::string_view> separator = std::nullopt,
                         std::optional<int32_t> maxParts = std::nullopt);

Text CmdSpaces(int32_t n);
