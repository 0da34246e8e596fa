#include "platform/automation/regexp/pattern_dialect.h"

#include <algorithm>

namespace platform {
namespace {

constexpr std::u16string_view kLineStart = u"(?:^|(?<=[\\r\\n]))";
constexpr std::u16string_view kLineEnd = u"(?:$|(?=[\\r\\n]))";

// The index just past the text that starts at `from` and ends with `terminator`, or the end.
size_t SkipPast(std::u16string_view pattern, size_t from, std::u16string_view terminator) {
  size_t found = pattern.find(terminator, from);
  return found == std::u16string_view::npos ? pattern.size() : found + terminator.size();
}

// The index just past the class that opens at `open` ('['). The first ']' ends it, even right
// after "[" or "[^": the pattern is compiled so that "[]" is an empty class and "[^]" any
// character, as in the script engines.
size_t SkipClass(std::u16string_view pattern, size_t open) {
  size_t i = open + 1;
  if (i < pattern.size() && pattern[i] == u'^') ++i;
  while (i < pattern.size()) {
    char16_t c = pattern[i];
    if (c == u']') return i + 1;
    if (c == u'\\') {
      i += 2;
    } else if (c == u'[' && i + 1 < pattern.size() &&
               (pattern[i + 1] == u':' || pattern[i + 1] == u'.' || pattern[i + 1] == u'=')) {
      const char16_t closing[] = {pattern[i + 1], u']'};
      size_t end = pattern.find(std::u16string_view(closing, 2), i + 2);
      i = end == std::u16string_view::npos ? i + 1 : end + 2;
    } else {
      ++i;
    }
  }
  return pattern.size();
}

}  // namespace

std::u16string RewriteLineAnchors(std::u16string_view pattern) {
  std::u16string result;
  result.reserve(pattern.size() + 32);
  size_t i = 0;
  while (i < pattern.size()) {
    char16_t c = pattern[i];
    size_t next = i + 1;
    if (c == u'\\') {
      next = i + 1 < pattern.size() && pattern[i + 1] == u'Q' ? SkipPast(pattern, i + 2, u"\\E")
                                                              : std::min(i + 2, pattern.size());
    } else if (c == u'[') {
      next = SkipClass(pattern, i);
    } else if (pattern.substr(i, 3) == u"(?#") {
      next = SkipPast(pattern, i + 3, u")");
    } else if (c == u'^') {
      result += kLineStart;
      i = next;
      continue;
    } else if (c == u'$') {
      result += kLineEnd;
      i = next;
      continue;
    }
    result.append(pattern.substr(i, next - i));
    i = next;
  }
  return result;
}

}  // namespace platform
