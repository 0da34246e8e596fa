// The text routines on whatever bytes a page holds: the runtime's searches, cuts, trimming,
// replacing, splitting and number reading, the text-between routines, the name cleaning, and
// the code-page conversion that carries a page into the regular-expression object and back.
// Input: the text, two markers (needle and replacement, start and end marker, separator), a
// start position and a count, as parts.
#include <algorithm>
#include <cctype>
#include <cstdint>

#include "platform/codepage.h"
#include "runtime/conversions.h"
#include "runtime/text_operations.h"
#include "tests/fuzz_check.h"
#include "tests/fuzz_input.h"
#include "toolkit/quote_marker.h"
#include "toolkit/text_between.h"
#include "toolkit/trimming.h"

// A build whose narrow literals are not GBK would fuzz another program.
static_assert(kQuoteMarker == "#\xD2\xFD\xBA\xC5", "narrow literals must be compiled to GBK");

namespace {

// Whether CmdFindText's answer is a place where needle stands in text.
bool StandsAt(std::string_view text, std::string_view needle, int32_t position, bool ignoreCase) {
  if (position < 1) return false;
  const size_t at = static_cast<size_t>(position - 1);
  if (at > text.size() || needle.size() > text.size() - at) return false;
  const std::string_view there = text.substr(at, needle.size());
  // This program never sets a locale, so tolower folds A-Z alone, as the search does.
  return std::equal(there.begin(), there.end(), needle.begin(), [&](char a, char b) {
    return ignoreCase ? std::tolower(static_cast<unsigned char>(a)) ==
                            std::tolower(static_cast<unsigned char>(b))
                      : a == b;
  });
}

void Searches(std::string_view text, std::string_view needle, std::string_view endMarker,
              int32_t start) {
  for (const bool ignoreCase : {false, true}) {
    const int32_t found = CmdFindText(text, needle, start, ignoreCase);
    FUZZ_CHECK(found == -1 || StandsAt(text, needle, found, ignoreCase));
    FUZZ_CHECK(found == -1 || needle.empty() || found >= std::max(start, 1));
    FUZZ_CHECK(IsPartOf(TextBetween(text, needle, endMarker, start, ignoreCase), text));
    FUZZ_CHECK(IsPartOf(TextBetweenNoCase(text, needle, endMarker, start, ignoreCase), text));
  }
}

void Cuts(std::string_view text, int32_t start, int32_t count) {
  FUZZ_CHECK(IsPartOf(CmdTextLeft(text, count), text));
  FUZZ_CHECK(IsPartOf(CmdTextRight(text, count), text));
  FUZZ_CHECK(IsPartOf(CmdTextMiddle(text, start, count), text));
  FUZZ_CHECK(IsPartOf(CmdTrimBoth(text), text));
  FUZZ_CHECK(IsPartOf(TrimBlanks(Text(text)), text));
  FUZZ_CHECK(CmdRemoveAllSpaces(text).size() <= text.size());
  FUZZ_CHECK(TrimLineBreaks(Text(text)).size() <= text.size());
}

void Rewrites(std::string_view text, std::string_view find, std::string_view with, int32_t start,
              int32_t count) {
  for (const bool caseSensitive : {false, true}) {
    CmdReplaceText(text, find, with, start, count, caseSensitive);
  }
  size_t partBytes = 0;
  for (const Text& part : CmdSplitText(text, find, count)) partBytes += part.size();
  FUZZ_CHECK(partBytes <= text.size());
  CmdToInteger(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const std::string_view text = input.Part();
  const std::string_view first = input.Part();
  const std::string_view second = input.Part();
  const int32_t start = input.Number();
  const int32_t count = input.Number();

  Searches(text, first, second, start);
  Cuts(text, start, count);
  Rewrites(text, first, second, start, count);
  FUZZ_CHECK(platform::Utf16ToGbk(platform::GbkToUtf16(text)) == text);
  return 0;
}
