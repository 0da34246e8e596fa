#include "runtime/text_operations.h"

#include <gtest/gtest.h>

namespace {

// "中" in GBK is D6 D0; "文" is CE C4. A needle "\xD0" matches only the second byte of "中".
constexpr const char* kZhong = "\xD6\xD0";

struct FindCase {
  const char* text;
  const char* needle;
  std::optional<int32_t> start;
  bool ignoreCase;
  int32_t expected;
};

TEST(CmdFindText, FollowsTheTableOfCases) {
  const FindCase cases[] = {
      {"abc", "", 2, false, 1},   // empty needle: 1, never the start position
      {"abc", "", 4, false, -1},  // ... unless nothing is left to scan
      {"", "", std::nullopt, false, -1},
      {"abc", "x", std::nullopt, false, -1},
      {"abc", "c", 4, false, -1},  // start beyond the end
      {"abc", "a", 0, false, 1},   // start below 1 scans from 1
      {"abc", "a", -3, false, 1},
      {"abcabc", "a", 2, false, 4},
      {"aBc", "b", std::nullopt, true, 2},
      {"aBc", "b", std::nullopt, false, -1},
      {"\xD6\xD0"
       "a",
       "\xD0"
       "a",
       std::nullopt, false, -1},  // not inside a character
      {"\xD6\xD0"
       "a",
       "a", std::nullopt, false, 3},
      {"x\xD6\xD0", "\xD0", 3, false, 3},        // counted from the scan position, which is byte 3
      {"ab\xD6", "x", std::nullopt, false, -1},  // lone first byte at the end
      {"\xC1\xC2", "\xE1", std::nullopt, true, -1},  // only ASCII letters fold
      {"ab", "abc", std::nullopt, false, -1},
  };
  for (const FindCase& c : cases) {
    EXPECT_EQ(CmdFindText(c.text, c.needle, c.start, c.ignoreCase), c.expected)
        << "text=" << c.text << " needle=" << c.needle;
  }
  EXPECT_EQ(CmdFindText(std::string(kZhong) + "x", "x"), 3);
}

TEST(CmdTextLeftRightMiddle, CountBytesAndClamp) {
  EXPECT_EQ(CmdTextLeft("abc", 2), "ab");
  EXPECT_EQ(CmdTextLeft("abc", 9), "abc");
  EXPECT_EQ(CmdTextLeft("abc", 0), "");
  EXPECT_EQ(CmdTextLeft("abc", -1), "");
  EXPECT_EQ(CmdTextRight("abc", 2), "bc");
  EXPECT_EQ(CmdTextRight("abc", 9), "abc");
  EXPECT_EQ(CmdTextRight("abc", -1), "");
  EXPECT_EQ(CmdTextMiddle("abcdef", 2, 3), "bcd");
  EXPECT_EQ(CmdTextMiddle("abcdef", 5, 9), "ef");
  EXPECT_EQ(CmdTextMiddle("abcdef", 0, 2), "");
  EXPECT_EQ(CmdTextMiddle("abcdef", 7, 2), "");
  EXPECT_EQ(CmdTextMiddle("abcdef", 2, 0), "");
  EXPECT_EQ(CmdTextLeft(kZhong, 1), "\xD6");  // may cut a character in two
  EXPECT_EQ(CmdTextLength(kZhong), 2);
}

TEST(CmdTrimBoth, RemovesAsciiAndFullWidthBlanksOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"  a b  ", "a b"},
      {"\xA1\xA1"
       "a\xA1\xA1",
       "a"},
      {"\ta\r\n", "\ta\r\n"},
      {" \t a \n ", "\t a \n"},
      {"   ", ""},
      {"", ""},
      {"a\xD6\xD0  ", "a\xD6\xD0"},
      // A1 A1 only counts at a character start: here it straddles "B0 A1" and "A1 B0".
      {"\xB0\xA1\xA1\xB0", "\xB0\xA1\xA1\xB0"},
      {"ab\xB0", "ab"},  // a lone first byte at the end is dropped
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(CmdTrimBoth(text), expected) << text;
}

TEST(CmdRemoveAllSpaces, KeepsEveryOtherCharacter) {
  EXPECT_EQ(CmdRemoveAllSpaces(" a\xA1\xA1 b\t\xD6\xD0 "), "ab\t\xD6\xD0");
  EXPECT_EQ(CmdRemoveAllSpaces("\xB0\xA1\xA1\xB0"), "\xB0\xA1\xA1\xB0");
  EXPECT_EQ(CmdRemoveAllSpaces("a \xB0"), "a");
}

TEST(CmdReplaceText, FollowsTheTableOfCases) {
  EXPECT_EQ(CmdReplaceText("a\\b\\\\c", "\\", std::nullopt, std::nullopt, std::nullopt, true),
            "abc");
  EXPECT_EQ(CmdReplaceText("aXbXc", "X", "-"), "a-b-c");
  EXPECT_EQ(CmdReplaceText("aXbXc", "X", "-", 3), "aXb-c");
  EXPECT_EQ(CmdReplaceText("aXbXc", "X", "-", 0), "a-b-c");
  EXPECT_EQ(CmdReplaceText("aXbXcX", "X", "-", 1, 2), "a-b-cX");
  EXPECT_EQ(CmdReplaceText("aXbXc", "X", "-", 1, 0), "aXbXc");
  EXPECT_EQ(CmdReplaceText("aXbXc", "X", "-", 9), "aXbXc");
  EXPECT_EQ(CmdReplaceText("", "X", "-"), "");
  EXPECT_EQ(CmdReplaceText("abc", "", "-"), "abc");
  EXPECT_EQ(CmdReplaceText("aXbx", "x", "-"), "a-b-");  // case folded when not sensitive
  EXPECT_EQ(CmdReplaceText("aXbx", "x", "-", std::nullopt, std::nullopt, true), "aXb-");
  EXPECT_EQ(CmdReplaceText("aaa", "aa", "b"), "ba");  // a replaced part is not scanned again
  // The trail byte of a double-byte character is never taken for the start of find.
  EXPECT_EQ(CmdReplaceText("\xD6\xD0\xD0", "\xD0", "x"), "\xD6\xD0x");
  EXPECT_EQ(CmdReplaceText("ab\xB0", "b", "c"), "ac\xB0");
}

TEST(CmdSplitText, FollowsTheTableOfCases) {
  using Parts = std::vector<Text>;
  auto split = [](const char* text, std::optional<std::string_view> sep,
                  std::optional<int32_t> max) {
    Array<Text> parts = CmdSplitText(text, sep, max);
    return Parts(parts.begin(), parts.end());
  };
  EXPECT_EQ(split("a,,b", std::nullopt, std::nullopt), (Parts{"a", "", "b"}));
  EXPECT_EQ(split(",a", std::nullopt, std::nullopt), (Parts{"", "a"}));
  EXPECT_EQ(split("a,b,", std::nullopt, std::nullopt), (Parts{"a", "b"}));
  EXPECT_EQ(split("", std::nullopt, std::nullopt), Parts{});
  EXPECT_EQ(split("a,b", "", std::nullopt), Parts{"a,b"});
  EXPECT_EQ(split("a;b;c", ";", 2), (Parts{"a", "b"}));
  EXPECT_EQ(split("a;b;c", ";", 0), Parts{});
  EXPECT_EQ(split("a;b;c", ";", -1), Parts{});
  EXPECT_EQ(split("a\r\nb\r\n", "\r\n", std::nullopt), (Parts{"a", "b"}));
  // "B0 A1" then "A1 ..." must not split at the straddling A1 A1.
  EXPECT_EQ(split("\xB0\xA1\xA1\xB0", "\xA1\xA1", std::nullopt), Parts{"\xB0\xA1\xA1\xB0"});
}

TEST(CmdSpaces, GivesBlanks) {
  EXPECT_EQ(CmdSpaces(3), "   ");
  EXPECT_EQ(CmdSpaces(0), "");
  EXPECT_EQ(CmdSpaces(-2), "");
}

}  // namespace
