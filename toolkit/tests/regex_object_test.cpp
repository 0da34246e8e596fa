#include "toolkit/regex_object.h"

#include <gtest/gtest.h>

#include "platform/automation/class_registry.h"
#include "platform/automation/com_initialization.h"
#include "platform/automation/testing/recording_object.h"

namespace {

using platform::InvokeKind;

TEST(RegexObject, WritesTheOptionsInOrderBeforeThePatternThenExecutes) {
  auto recorder = std::make_shared<platform::RecordingObject>();
  platform::ScopedClassOverride recording(u"VBScript.RegExp", [recorder] { return recorder; });
  RegexObject regex;
  EXPECT_FALSE(regex.Create("a#引号", "s"));  // the recorder's Execute gives no collection
  EXPECT_EQ(recorder->Members(InvokeKind::kPut),
            (std::vector<std::u16string>{u"IgnoreCase", u"Multiline", u"Singleline", u"Global",
                                         u"Pattern"}));
  std::vector<Variant> values;
  for (const auto& call : recorder->Calls()) {
    if (call.kind == InvokeKind::kPut) values.push_back(call.args.at(0));
  }
  EXPECT_EQ(values,
            (std::vector<Variant>{Variant::Bool(true), Variant::Bool(true), Variant::Bool(true),
                                  Variant::Bool(true), Variant::String(u"a#引号")}));
  const auto& execute = recorder->Calls().back();
  EXPECT_EQ(execute.kind, InvokeKind::kCall);
  EXPECT_EQ(execute.member, u"Execute");
  EXPECT_EQ(execute.args, std::vector<Variant>{Variant::String(u"s")});

  regex.Create("p", "s", /*caseSensitive=*/true, /*multiline=*/false, /*global=*/false);
  values.clear();
  for (const auto& call : recorder->Calls()) {
    if (call.kind == InvokeKind::kPut) values.push_back(call.args.at(0));
  }
  EXPECT_EQ(std::vector<Variant>(values.begin() + 5, values.end()),
            (std::vector<Variant>{Variant::Bool(false), Variant::Bool(false), Variant::Bool(true),
                                  Variant::Bool(false), Variant::String(u"p")}));
}

TEST(RegexObject, IgnoresCaseUnlessToldToRespectIt) {
  RegexObject regex;
  EXPECT_TRUE(regex.Create("abc", "xABC"));
  EXPECT_EQ(regex.MatchText(1), "ABC");
  EXPECT_TRUE(regex.Create("abc", "xABC", /*caseSensitive=*/true));
  EXPECT_EQ(regex.MatchCount(), 0);
}

TEST(RegexObject, TurnsTheQuoteMarkerIntoAQuoteOnlyWhenAsked) {
  const char* subject = "a\"b a#引号b";
  RegexObject regex;
  regex.Create("a#引号b", subject, std::nullopt, std::nullopt, std::nullopt, /*quoteMarker=*/true);
  EXPECT_EQ(regex.GetPattern(), "a\"b");
  ASSERT_EQ(regex.MatchCount(), 1);
  EXPECT_EQ(regex.MatchText(1), "a\"b");
  regex.Create("a#引号b", subject);
  ASSERT_EQ(regex.MatchCount(), 1);
  EXPECT_EQ(regex.MatchText(1), "a#引号b");
}

TEST(RegexObject, ReadsMatchesAndSubMatchesByOneBasedIndex) {
  RegexObject regex;
  ASSERT_TRUE(regex.Create("(\\w)(\\d)?;", "a1;b;"));
  EXPECT_EQ(regex.MatchCount(), 2);
  EXPECT_EQ(regex.MatchText(2), "b;");
  EXPECT_EQ(regex.SubMatch(1, 2), "1");
  EXPECT_EQ(regex.SubMatch(2, 1), "b");
  EXPECT_EQ(regex.SubMatch(2, 2), "");  // took no part in the match
  EXPECT_EQ(regex.SubMatchCount(), 2);
  // Indices are not checked against the counts: out of range is the empty text.
  EXPECT_EQ(regex.MatchText(0), "");
  EXPECT_EQ(regex.MatchText(3), "");
  EXPECT_EQ(regex.SubMatch(0, 1), "");
  EXPECT_EQ(regex.SubMatch(1, 0), "");
  EXPECT_EQ(regex.SubMatch(1, 3), "");
}

TEST(RegexObject, ASubjectWithoutMatchGivesAnEmptyListAndOne) {
  RegexObject regex;
  EXPECT_TRUE(regex.Create("(x)", "abc"));
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.SubMatchCount(), 0);
  EXPECT_EQ(regex.MatchText(1), "");
}

TEST(RegexObject, PositionIsTheByteOffsetFoundFromTheCharacterIndex) {
  // The character index, read as a byte position, falls on a second byte after an even number
  // of double-byte characters; the search starts at the character there.
  struct Case {
    const char* pattern;
    const char* subject;
    std::optional<int32_t> subMatch;  // the sub-match's position instead of the match's
    const char* found;
    int32_t position;
  };
  const Case cases[] = {
      {"ab", "ab", std::nullopt, "ab", 0},
      {"ab", "中ab", std::nullopt, "ab", 2},
      {"ab", "中中ab", std::nullopt, "ab", 4},
      {"ab", "中中中ab", std::nullopt, "ab", 6},
      {"ab", "a中中ab", std::nullopt, "ab", 5},
      {"ab", "中中AB", std::nullopt, "AB", 4},  // found again with the object's own case rule
      {"(a)b", "中中ab", 1, "a", 4},
      {"x(x)", "xx", 1, "x", 0},  // the first "x" from the start of the match
  };
  for (const Case& c : cases) {
    RegexObject regex;
    regex.Create(c.pattern, c.subject);
    int32_t position = -1;
    const Text found =
        c.subMatch ? regex.SubMatch(1, *c.subMatch, &position) : regex.MatchText(1, &position);
    EXPECT_EQ(found, c.found) << c.subject;
    EXPECT_EQ(position, c.position) << c.subject;
  }
}

TEST(RegexObject, ReplaceWorksOnTheLastSubjectWithTheGlobalOption) {
  RegexObject regex;
  regex.Create("a(.)", "a1-a2", std::nullopt, std::nullopt, /*global=*/false);
  EXPECT_EQ(regex.Replace("[$1]"), "[1]-a2");
  regex.Create("a(.)", "a3-a4");
  EXPECT_EQ(regex.Replace("[$1]"), "[3]-[4]");
  EXPECT_EQ(regex.MatchCount(), 2);  // Replace leaves the match list alone
}

TEST(RegexObject, ASecondCreateReplacesTheFirst) {
  RegexObject regex;
  regex.Create("a", "aaa");
  EXPECT_EQ(regex.MatchCount(), 3);
  regex.Create("b+", "abba");
  EXPECT_EQ(regex.GetPattern(), "b+");
  EXPECT_EQ(regex.MatchCount(), 1);
  EXPECT_EQ(regex.MatchText(1), "bb");
}

TEST(RegexObject, ARejectedPatternGivesNoMatchList) {
  RegexObject regex;
  EXPECT_FALSE(regex.Create("(a", "a"));
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.SubMatchCount(), 0);
  EXPECT_EQ(regex.MatchText(1), "");
  EXPECT_EQ(regex.SubMatch(1, 1), "");
  EXPECT_EQ(regex.GetPattern(), "(a");
}

TEST(RegexObject, EverythingIsEmptyWhenTheClassCannotBeCreated) {
  platform::ScopedClassOverride uncreatable(u"VBScript.RegExp", [] { return nullptr; });
  RegexObject regex;
  EXPECT_FALSE(regex.Create("a", "a"));
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.SubMatchCount(), 0);
  EXPECT_EQ(regex.MatchText(1), "");
  EXPECT_EQ(regex.SubMatch(1, 1), "");
  EXPECT_EQ(regex.Replace("b"), "");
  EXPECT_EQ(regex.GetPattern(), "");
}

TEST(RegexObject, InstancesNestTheirInitialisationOnTheThread) {
  ASSERT_EQ(platform::CoInitializeCount(), 0);
  {
    RegexObject neverUsed;  // destroying it is harmless
    EXPECT_EQ(neverUsed.MatchCount(), 0);
    EXPECT_EQ(neverUsed.GetPattern(), "");
  }
  EXPECT_EQ(platform::CoInitializeCount(), 0);
  {
    RegexObject outer;
    outer.Create("a", "aa");
    {
      RegexObject copy(outer);
      EXPECT_EQ(platform::CoInitializeCount(), 2);
      EXPECT_EQ(copy.MatchCount(), 2);
      EXPECT_EQ(copy.Replace("b"), "bb");
    }
    EXPECT_EQ(platform::CoInitializeCount(), 1);
    EXPECT_EQ(outer.MatchCount(), 2);  // the copy let go of its references only
  }
  EXPECT_EQ(platform::CoInitializeCount(), 0);
}

}  // namespace
