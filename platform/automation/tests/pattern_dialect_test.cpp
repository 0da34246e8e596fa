#include "platform/automation/regexp/pattern_dialect.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(RewriteLineAnchors, RewritesOnlyTheAnchorsOutsideClassesAndEscapes) {
  const std::u16string start = u"(?:^|(?<=[\\r\\n]))";
  const std::u16string end = u"(?:$|(?=[\\r\\n]))";
  const struct {
    std::u16string pattern;
    std::u16string expected;
  } cases[] = {
      {u"^a$", start + u"a" + end},
      {u"(?:^\\r|\\n$)", u"(?:" + start + u"\\r|\\n" + end + u")"},
      {u"\\^\\$", u"\\^\\$"},
      {u"[^$^]", u"[^$^]"},
      {u"[]^", u"[]" + start},          // "[]" is a whole (empty) class
      {u"[^]$", u"[^]" + end},          // so is "[^]"
      {u"[\\]^]^", u"[\\]^]" + start},  // an escaped "]" does not end the class
      {u"[[:alpha:]^]$", u"[[:alpha:]^]" + end},
      {u"\\Q^$\\E^", u"\\Q^$\\E" + start},
      {u"(?#^)$", u"(?#^)" + end},
      {u"a\\", u"a\\"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RewriteLineAnchors(c.pattern), c.expected);
  }
}

}  // namespace
}  // namespace platform
