#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/automation/class_registry.h"
#include "platform/automation/testing/recording_object.h"
#include "tests/temp_folder.h"
#include "toolkit/is_directory.h"
#include "toolkit/text_between.h"
#include "toolkit/trimming.h"

namespace {

TEST(TextBetween, FollowsTheTableOfCases) {
  const struct {
    const char* text;
    const char* startMarker;
    const char* endMarker;
    int32_t startPos;
    bool flag;  // ignoreCase for TextBetween, caseSensitive for TextBetweenNoCase
    bool noCase;
    const char* expected;
  } cases[] = {
      {"abcXYZdef", "abc", "def", 0, false, false, "XYZ"},
      {"abcXYZ", "abc", "def", 0, false, false, ""},
      {"XYZdef", "abc", "def", 0, false, false, ""},
      {"<a href=\"x.html\">", "href=#引号", "#引号", 0, false, false, "x.html"},
      // In the searched text the marker is plain text.
      {"href=#引号y#引号 href=\"x.html\"", "href=#引号", "#引号", 0, false, false, "x.html"},
      {"ABC-x-DEF", "abc", "def", 0, false, false, ""},
      {"ABC-x-DEF", "abc", "def", 0, true, false, "-x-"},
      {"ABC-x-DEF", "abc", "def", 0, false, true, "-x-"},
      {"ABC-x-DEF", "abc", "def", 0, true, true, ""},
      {"]x[y]", "[", "]", 0, false, false, "y"},  // the end marker only after the start
      {"ab", "a", "b", 0, false, false, ""},
      {"ab1;xab2;", "ab", ";", 10, false, false, ""},
      {"ab1;xab2;", "ab", ";", 0, false, false, "1"},
      {"ab1;xab2;", "ab", ";", 1, false, false, "1"},
      {"ab1;xab2;", "ab", ";", -3, false, false, "1"},
      {"ab1;xab2;", "ab", ";", 5, false, false, "2"},
      {"abc;def", "a", "", 0, false, false, ""},
      {"abc;def", "", ";", 0, false, false, "abc"},
      {"abc;def", "", ";", 3, false, false, "abc"},  // the empty marker is found at 1
      {"abc;def", "", ";", 8, false, false, ""},
      {"\xD6[x]", "[", "]", 0, false, false, ""},  // "[" is the second byte of a character
  };
  for (const auto& c : cases) {
    Text result = c.noCase
                      ? TextBetweenNoCase(c.text, c.startMarker, c.endMarker, c.startPos, c.flag)
                      : TextBetween(c.text, c.startMarker, c.endMarker, c.startPos, c.flag);
    EXPECT_EQ(result, c.expected) << c.text << " | " << c.startMarker << " | " << c.endMarker
                                  << " | " << c.startPos << (c.noCase ? " NoCase" : "");
  }
  EXPECT_EQ(TextBetweenNoCase("ABC-x-DEF", "abc", "def"), "-x-");  // the defaults
  EXPECT_EQ(TextBetween("ABC-x-DEF", "abc", "def"), "");
}

TEST(TrimLineBreaks, FollowsTheTableOfCases) {
  const struct {
    const char* text;
    const char* expected;
  } cases[] = {
      {"\r\nabc\r\n", "abc"},
      {"a\r\nb", "a\r\nb"},
      {"a\r\n\r\nb", "a\r\nb"},
      {"\r\n\r\nabc", "\nabc"},
      {"\r\n", ""},
      {"\r\n\r\n", ""},
      {"幼儿园flash动画\r\n", "幼儿园flash动画"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TrimLineBreaks(c.text), c.expected) << testing::PrintToString(c.text);
  }
}

TEST(TrimLineBreaks, HandsTheObjectItsPatternWithEscapesAndNoControlCharacter) {
  EXPECT_EQ(kLineBreakPattern.size(), 11u);
  for (char c : kLineBreakPattern) EXPECT_GE(static_cast<unsigned char>(c), 0x20);
  auto recorder = std::make_shared<platform::RecordingObject>();
  {
    platform::ScopedClassOverride recording(u"VBScript.RegExp", [recorder] { return recorder; });
    TrimLineBreaks("x");
  }
  bool written = false;
  for (const auto& call : recorder->Calls()) {
    if (call.member != u"Pattern") continue;
    EXPECT_EQ(call.args,
              std::vector<platform::Variant>{platform::Variant::String(u"(?:^\\r|\\n$)")});
    written = true;
  }
  EXPECT_TRUE(written);
}

TEST(TrimLineBreaks, GivesTheEmptyTextWithoutTheRegularExpressionObject) {
  platform::ScopedClassOverride uncreatable(u"VBScript.RegExp", [] { return nullptr; });
  EXPECT_EQ(TrimLineBreaks("abc"), "");
}

TEST(TrimBlanks, RemovesAsciiBlanksOnly) {
  EXPECT_EQ(TrimBlanks("  a b  "), "a b");
  EXPECT_EQ(TrimBlanks("\ta\t"), "\ta\t");
  EXPECT_EQ(TrimBlanks("\xA1\xA1"
                       "a "),
            "\xA1\xA1"
            "a");
  EXPECT_EQ(TrimBlanks("   "), "");
  EXPECT_EQ(TrimBlanks(""), "");
}

TEST(IsDirectory, IsTrueForAnExistingFolderOnly) {
  const TempFolder temp("trovanel-isdir");
  ASSERT_TRUE(temp.Made());
  const std::string folder = temp.Path().string();
  const std::string file = folder + "/file";
  std::ofstream(file) << "x";
  EXPECT_TRUE(IsDirectory(folder));
  EXPECT_TRUE(IsDirectory(folder + "/"));
  EXPECT_FALSE(IsDirectory(file));
  EXPECT_FALSE(IsDirectory(folder + "/missing"));
  EXPECT_FALSE(IsDirectory(""));
}

}  // namespace
