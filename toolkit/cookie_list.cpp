#include "toolkit/cookie_list.h"

#include "runtime/text_operations.h"

Text MergeCookies(Text& oldCookies, Text& newCookies) {
  oldCookies = CmdRemoveAllSpaces(oldCookies);
  newCookies = CmdRemoveAllSpaces(newCookies);
  const Array<Text> oldItems = CmdSplitText(oldCookies, ";");
  Array<Text> newItems = CmdSplitText(newCookies, ";");
  // Items carried over take part in later look-ups: of old duplicates only the first survives.
  for (const Text& item : oldItems) {
    if (!CookieListHasName(newItems, CookieName(item))) newItems.Append(item);
  }
  oldCookies.clear();
  for (const Text& item : newItems) {
    if (CmdTextRight(item, 8) != "=deleted") oldCookies += item + "; ";
  }
  oldCookies = CmdTextLeft(oldCookies, CmdTextLength(oldCookies) - 2);
  return oldCookies;
}

Text CookieName(std::string_view item) {
  const int32_t equals = CmdFindText(item, "=");
  return CmdTrimBoth(equals == -1 ? item : CmdTextLeft(item, equals - 1));
}

bool CookieListHasName(const Array<Text>& list, std::string_view name) {
  for (const Text& item : list) {
    if (CookieName(item) == name) return true;
  }
  return false;
}
