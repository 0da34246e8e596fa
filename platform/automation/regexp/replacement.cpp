#include "platform/automation/regexp/replacement.h"

#include <algorithm>

namespace platform {
namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

void AppendGroup(std::u16string& out, std::u16string_view subject, const MatchSpans& spans,
                 size_t match, int32_t group) {
  int32_t start = spans.Start(match, group);
  if (start >= 0) out.append(subject.substr(start, spans.End(match, group) - start));
}

// Appends the replacement for one match.
void Expand(std::u16string& out, std::u16string_view subject, const MatchSpans& spans, size_t match,
            std::u16string_view replacement) {
  size_t i = 0;
  while (i < replacement.size()) {
    char16_t c = replacement[i];
    char16_t next = i + 1 < replacement.size() ? replacement[i + 1] : u'\0';
    if (c != u'$' || next == u'\0') {
      out.push_back(c);
      ++i;
      continue;
    }
    if (next == u'$') {
      out.push_back(u'$');
    } else if (next == u'&') {
      AppendGroup(out, subject, spans, match, 0);
    } else if (next == u'`') {
      out.append(subject.substr(0, spans.Start(match, 0)));
    } else if (next == u'\'') {
      out.append(subject.substr(spans.End(match, 0)));
    } else if (IsDigit(next)) {
      int32_t one = next - u'0';
      char16_t third = i + 2 < replacement.size() ? replacement[i + 2] : u'\0';
      int32_t two = IsDigit(third) ? one * 10 + (third - u'0') : 0;
      if (two >= 1 && two <= spans.groupCount) {
        AppendGroup(out, subject, spans, match, two);
        i += 3;
        continue;
      }
      if (one < 1 || one > spans.groupCount) {
        out.push_back(u'$');
        ++i;
        continue;
      }
      AppendGroup(out, subject, spans, match, one);
    } else {
      out.push_back(u'$');
      ++i;
      continue;
    }
    i += 2;
  }
}

}  // namespace

std::u16string ReplaceMatches(std::u16string_view subject, const MatchSpans& spans,
                              std::u16string_view replacement) {
  std::u16string out;
  out.reserve(subject.size());
  size_t copied = 0;
  for (size_t match = 0; match < spans.Count(); ++match) {
    size_t start = std::max<size_t>(spans.Start(match, 0), copied);
    out.append(subject.substr(copied, start - copied));
    Expand(out, subject, spans, match, replacement);
    copied = spans.End(match, 0);
  }
  out.append(subject.substr(copied));
  return out;
}

}  // namespace platform
