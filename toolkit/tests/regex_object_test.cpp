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
  RegexObject regex;
  int32_t position = -1;
  regex.Create("ab",
               "\xD6\xD0"
               "ab");  // FirstIndex 1, the match at byte offset 2
  EXPECT_EQ(regex.MatchText(1, &position), "ab");
  EXPECT_EQ(position, 2);
  regex.Create("ab",
               "\xD6\xD0"
               "AB");  // found again with the object's own case rule
  EXPECT_EQ(regex.MatchText(1, &position), "AB");
  EXPECT_EQ(position, 2);
  regex.Create("x(x)", "xx");
  EXPECT_EQ(regex.SubMatch(1, 1, &position), "x");
  EXPECT_EQ(position, 0);  // the first "x" from the start of the match
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
