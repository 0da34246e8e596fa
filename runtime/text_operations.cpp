#include "runtime/text_operations.h"

#include <algorithm>
#include <climits>

#include "platform/codepage.h"

namespace {

using platform::FoldAsciiCase;
using platform::IsDoubleByteLead;

bool MatchesAt(std::string_view text, size_t pos, std::string_view needle, bool ignoreCase) {
  // The first byte decides most positions of a long search without a call.
  if (!ignoreCase) {
    return text[pos] == needle[0] && text.compare(pos, needle.size(), needle) == 0;
  }
  for (size_t i = 0; i < needle.size(); ++i) {
    if (FoldAsciiCase(text[pos + i]) != FoldAsciiCase(needle[i])) return false;
  }
  return true;
}

// The width of a space at pos: 1 for the ASCII blank, 2 for A1 A1, 0 for anything else.
size_t SpaceWidthAt(std::string_view text, size_t pos) {
  if (text[pos] == ' ') return 1;
  if (text[pos] == '\xA1' && pos + 1 < text.size() && text[pos + 1] == '\xA1') return 2;
  return 0;
}

}  // namespace

int32_t CmdTextLength(std::string_view text) { return static_cast<int32_t>(text.size()); }

Text CmdTextLeft(std::string_view text, int32_t n) {
  if (n <= 0) return "";
  return Text(text.substr(0, static_cast<size_t>(n)));
}

Text CmdTextRight(std::string_view text, int32_t n) {
  if (n <= 0) return "";
  size_t keep = std::min(text.size(), static_cast<size_t>(n));
  return Text(text.substr(text.size() - keep));
}

Text CmdTextMiddle(std::string_view text, int32_t start, int32_t n) {
  if (start < 1 || static_cast<size_t>(start) > text.size() || n <= 0) return "";
  return Text(text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(n)));
}

int32_t CmdFindText(std::string_view text, std::string_view needle, std::optional<int32_t> start,
                    bool ignoreCase) {
  size_t pos = start && *start >= 1 ? static_cast<size_t>(*start - 1) : 0;
  if (pos >= text.size()) return -1;
  if (needle.empty()) return 1;
  while (text.size() - pos >= needle.size()) {
    if (MatchesAt(text, pos, needle, ignoreCase)) return static_cast<int32_t>(pos + 1);
    if (IsDoubleByteLead(text[pos])) {
      if (pos + 1 >= text.size()) return -1;
      pos += 2;
    } else {
      pos += 1;
    }
  }
  return -1;
}

Text CmdTrimBoth(std::string_view text) {
  size_t begin = 0;
  while (begin < text.size()) {
    size_t width = SpaceWidthAt(text, begin);
    if (width == 0) break;
    begin += width;
  }
  // Walk the rest character by character; end follows the last character that is not a space.
  size_t end = begin;
  size_t pos = begin;
  while (pos < text.size()) {
    if (size_t width = SpaceWidthAt(text, pos)) {
      pos += width;
    } else if (IsDoubleByteLead(text[pos])) {
      if (pos + 1 >= text.size()) break;  // a lone first byte at the very end is dropped
      pos += 2;
      end = pos;
    } else {
      pos += 1;
      end = pos;
    }
  }
  return Text(text.substr(begin, end - begin));
}

Text CmdRemoveAllSpaces(std::string_view text) {
  Text result;
  size_t pos = 0;
  while (pos < text.size()) {
    if (size_t width = SpaceWidthAt(text, pos)) {
      pos += width;
    } else if (IsDoubleByteLead(text[pos])) {
      if (pos + 1 >= text.size()) break;
      result.append(text.substr(pos, 2));
      pos += 2;
    } else {
      result.push_back(text[pos]);
      pos += 1;
    }
  }
  return result;
}

Text CmdReplaceText(std::string_view text, std::string_view find,
                    std::optional<std::string_view> with, std::optional<int32_t> start,
                    std::optional<int32_t> count, bool caseSensitive) {
  size_t pos = start && *start >= 1 ? static_cast<size_t>(*start - 1) : 0;
  if (text.empty() || find.empty() || pos >= text.size() || (count && *count == 0)) {
    return Text(text);
  }
  const std::string_view replacement = with.value_or("");
  Text result(text.substr(0, pos));
  int32_t replaced = 0;
  while (text.size() - pos >= find.size()) {
    if (MatchesAt(text, pos, find, !caseSensitive)) {
      result.append(replacement);
      pos += find.size();
      if (count && ++replaced == *count) break;
    } else {
      size_t width = IsDoubleByteLead(text[pos]) ? std::min<size_t>(2, text.size() - pos) : 1;
      result.append(text.substr(pos, width));
      pos += width;
    }
  }
  result.append(text.substr(pos));
  return result;
}

Array<Text> CmdSplitText(std::string_view text, std::optional<std::string_view> separator,
                         std::optional<int32_t> maxParts) {
  const std::string_view sep = separator.value_or(",");
  const int32_t limit = maxParts ? std::max(*maxParts, 0) : INT32_MAX;
  Array<Text> parts;
  if (text.empty() || limit == 0) return parts;
  if (sep.empty()) {
    parts.Append(Text(text));
    return parts;
  }
  size_t elementStart = 0;
  size_t pos = 0;
  while (pos < text.size() && text.size() - pos >= sep.size()) {
    if (text.compare(pos, sep.size(), sep) == 0) {
      parts.Append(Text(text.substr(elementStart, pos - elementStart)));
      if (parts.Count() == limit) return parts;
      pos += sep.size();
      elementStart = pos;
    } else {
      pos += IsDoubleByteLead(text[pos]) ? 2 : 1;
    }
  }
  if (elementStart < text.size() && parts.Count() < limit) {
    parts.Append(Text(text.substr(elementStart)));
  }
  return parts;
}

Text CmdSpaces(int32_t n) { return n < 1 ? Text() : Text(static_cast<size_t>(n), ' '); }
