#include "toolkit/text_between.h"

#include "runtime/text_operations.h"
#include "toolkit/quote_marker.h"

namespace {

Text WithQuotes(std::string_view marker) {
  return CmdReplaceText(marker, kQuoteMarker, "\"", std::nullopt, std::nullopt,
                        /*caseSensitive=*/true);
}

Text Between(std::string_view text, std::string_view startMarker, std::string_view endMarker,
             int32_t startPos, bool ignoreCase) {
  const Text start = WithQuotes(startMarker);
  const Text end = WithQuotes(endMarker);
  const int32_t found = CmdFindText(text, start, startPos, ignoreCase);
  if (found == -1) return Text();
  const int32_t after = found + CmdTextLength(start);
  const int32_t endFound = CmdFindText(text, end, after, ignoreCase);
  if (endFound == -1) return Text();
  return CmdTextMiddle(text, after, endFound - after);
}

}  // namespace

Text TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker,
                 int32_t startPos, bool ignoreCase) {
  return Between(text, startMarker, endMarker, startPos, ignoreCase);
}

Text TextBetweenNoCase(std::string_view text, std::string_view startMarker,
                       std::string_view endMarker, int32_t startPos, bool caseSensitive) {
  return Between(text, startMarker, endMarker, startPos, !caseSensitive);
}
