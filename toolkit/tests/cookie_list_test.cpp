#include "toolkit/cookie_list.h"

#include <gtest/gtest.h>

namespace {

struct MergeCase {
  const char* oldCookies;
  const char* newCookies;
  const char* mergedOld;
  const char* strippedNew;
};

TEST(MergeCookies, FollowsTheTableOfMerges) {
  const MergeCase cases[] = {
      {"", "", "", ""},
      {"a=1; b=2", "", "a=1; b=2", ""},
      {"", "a=1; b=2", "a=1; b=2", "a=1;b=2"},
      {"a=1; b=2", "b=3", "b=3; a=1", "b=3"},
      {"a=1; b=2", "b=deleted", "a=1", "b=deleted"},
      {"", "a=1; a=2", "a=1; a=2", "a=1;a=2"},
      {"a=1; a=2", "", "a=1", ""},
      {"flag; a=1", "flag", "flag; a=1", "flag"},
      {"a=1;;b=2", "", "a=1; ; b=2", ""},
      {"a=1;", "", "a=1", ""},
      {"a=x y", "", "a=xy", ""},
      {"x=DELETED; deleted; =deleted; sid=deleted", "", "x=DELETED; deleted", ""},
      {"a=0; c=3", "a=1; b=2", "a=1; b=2; c=3", "a=1;b=2"},
      {"A=1", "a=2", "a=2; A=1", "a=2"},
  };
  for (const MergeCase& c : cases) {
    Text oldCookies = c.oldCookies;
    Text newCookies = c.newCookies;
    const Text returned = MergeCookies(oldCookies, newCookies);
    EXPECT_EQ(oldCookies, c.mergedOld) << c.oldCookies << " + " << c.newCookies;
    EXPECT_EQ(newCookies, c.strippedNew) << c.oldCookies << " + " << c.newCookies;
    EXPECT_EQ(returned, oldCookies);
  }
}

TEST(CookieName, IsTheTrimmedPartBeforeTheFirstEquals) {
  const std::pair<const char*, const char*> cases[] = {
      {" sid = 42 ", "sid"},        {"flag", "flag"}, {"=v", ""}, {"", ""}, {"a=b=c", "a"},
      {"\xA1\xA1k\xA1\xA1=1", "k"},
  };
  for (const auto& [item, name] : cases) EXPECT_EQ(CookieName(item), name) << item;
}

TEST(CookieListHasName, ComparesNamesByteForByte) {
  EXPECT_FALSE(CookieListHasName(Array<Text>{}, ""));
  EXPECT_FALSE(CookieListHasName(Array<Text>{"A=1"}, "a"));
  EXPECT_TRUE(CookieListHasName(Array<Text>{"x=1", " a =2"}, "a"));
  EXPECT_TRUE(CookieListHasName(Array<Text>{""}, ""));
}

}  // namespace
