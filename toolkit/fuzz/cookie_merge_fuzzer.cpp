// The cookie merge on any two lists: the caller's list and the one built from a server's
// Set-Cookie lines, each as a part of the input.
#include <cstdint>

#include "runtime/text_operations.h"
#include "tests/fuzz_check.h"
#include "tests/fuzz_input.h"
#include "toolkit/cookie_list.h"
#include "toolkit/fuzz/cookie_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  Text oldCookies(input.Part());
  Text newCookies(input.Part());

  const Text merged = MergeCookies(oldCookies, newCookies);
  FUZZ_CHECK(merged == oldCookies);
  FUZZ_CHECK(!HoldsDeletedItem(merged));
  const Array<Text> received = CmdSplitText(newCookies, ";");
  for (const Text& item : received) {
    FUZZ_CHECK(IsPartOf(CookieName(item), item));
    FUZZ_CHECK(CookieListHasName(received, CookieName(item)));
  }
  return 0;
}
