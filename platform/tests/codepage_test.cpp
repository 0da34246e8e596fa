#include "platform/codepage.h"

#include <gtest/gtest.h>

#include "tests/test_text.h"

namespace {

TEST(Codepage, GbkAndUtf16AgreeOnCharacters) {
  // "中文" and the euro sign, which code page 936 holds as the single byte 80.
  EXPECT_EQ(platform::GbkToUtf16("a\xD6\xD0\xCE\xC4\x80"), u"a中文€");
  EXPECT_EQ(platform::Utf16ToGbk(u"a中文€"), "a\xD6\xD0\xCE\xC4\x80");
  EXPECT_EQ(platform::Utf16ToGbk(u"\uD55C\U0001F600x"), "??x") << "unmappable: one '?' each";
}

TEST(Codepage, StrayBytesSurviveTheRoundTripAsOneUnitEach) {
  const std::string cases[] = {
      "\xFF",    // never valid
      "ab\xD6",  // a first byte at the end
      "\xD6"
      "a\xD6\xD0",  // a first byte with an invalid second byte
      "\x81\x7F"
      "z",
      std::string("\xFE\xFF\x00\xA1", 4),
  };
  for (const std::string& text : cases) {
    const std::u16string wide = platform::GbkToUtf16(text);
    EXPECT_EQ(platform::Utf16ToGbk(wide), text);
  }
  EXPECT_EQ(platform::GbkToUtf16("\xFF"
                                 "a")
                .size(),
            2u);
  EXPECT_EQ(platform::GbkToUtf16("ab\xD6"), u"ab\xDCD6");
}

TEST(Codepage, SecondBytesInTheAsciiRangeStayWithTheirCharacter) {
  // "丂" is 81 40: the stretches of plain ASCII must not split it after its first byte, nor
  // after a single-byte 80 (the euro sign) that stands before a character.
  EXPECT_EQ(platform::GbkToUtf16("a\x81\x40z"), u"a\u4E02z");
  EXPECT_EQ(platform::GbkToUtf16("\x80\x81\x40"), u"\u20AC\u4E02");
  EXPECT_EQ(platform::Utf16ToGbk(u"\u20AC\u4E02z"), "\x80\x81\x40z");
}

TEST(Codepage, FileNamesMustBeValidGbk) {
  EXPECT_EQ(platform::GbkToUtf8("\xCE\xC4\xBC\xFE"), Utf8(u8"文件"));
  EXPECT_EQ(platform::GbkToUtf8("ok\xFF"), std::nullopt);
  EXPECT_EQ(platform::GbkToUtf8("ok\xD6"), std::nullopt);
  EXPECT_EQ(platform::Utf8ToGbk(Utf8(u8"文件/한")), "\xCE\xC4\xBC\xFE/?");
}

TEST(Codepage, Utf16ToUtf8KeepsStrayBytesAndReplacesLoneSurrogates) {
  const std::pair<std::u16string, std::string> cases[] = {
      {u"a\u00E9\u4E2D\U0001F600", Utf8(u8"a\u00E9\u4E2D\U0001F600")},  // one to four bytes
      {u"\xDCFFx\xDC80", "\xFFx\x80"},                                  // stray bytes as themselves
      {u"\xD800x\xDC7F\xDD00", Utf8(u8"\uFFFDx\uFFFD\uFFFD")},          // lone surrogates
      {u"\xDBFF", Utf8(u8"\uFFFD")},                                    // a first half at the end
  };
  for (const auto& [utf16, utf8] : cases) EXPECT_EQ(platform::Utf16ToUtf8(utf16), utf8);
}

TEST(Codepage, TheTwoReadingsOfATextAgreeOnlyOnGbkShapedCharacters) {
  // The text routines take every byte of 0x80 or more with the byte after it; the code page
  // reads 80 alone as a euro sign and a first byte before a non-second byte as an error. A text
  // the two read alike converts to the characters its checks saw.
  struct Case {
    const char* gbk;
    bool alike;
    std::optional<std::string> utf8;  // the code page's reading, as a file name
  };
  const Case cases[] = {
      {"\x80/inner", false, Utf8(u8"€/inner")},
      {"\x80\\x", false, Utf8(u8"€\\x")},
      {"a\x80z", false, Utf8(u8"a€z")},
      {"\x80", false, Utf8(u8"€")},
      // A first byte before a byte that is no second byte, as where a title ended in one.
      {"\xD6/x", false, std::nullopt},
      {"\xD6\x7F", false, std::nullopt},
      {"x\xD6", false, std::nullopt},
      // Characters whose second byte is a backslash or "@".
      {"\x81\\", true, Utf8(u8"乗")},
      {"\x81\x40z", true, Utf8(u8"丂z")},
      {"a/b.rar", true, "a/b.rar"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::ReadsAsGbkCharacters(c.gbk), c.alike) << c.gbk;
    EXPECT_EQ(platform::GbkToUtf8(c.gbk), c.utf8) << c.gbk;
  }
}

TEST(Codepage, LongTextsConvertWhole) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "\xD6\xD0x";
  text += "\xFF";
  const std::u16string wide = platform::GbkToUtf16(text);
  EXPECT_EQ(wide.size(), 10001u);
  EXPECT_EQ(platform::Utf16ToGbk(wide), text);
}

}  // namespace
