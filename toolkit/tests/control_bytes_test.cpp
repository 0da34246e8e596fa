#include "toolkit/control_bytes.h"

#include <gtest/gtest.h>

namespace {

TEST(EscapeControlBytes, ShowsEveryControlByteAsAnEscapeAndKeepsTheRest) {
  struct Case {
    std::string text;
    std::string shown;
  };
  const Case cases[] = {
      {"x.rar\r\n下载成功:假文件", "x.rar\\x0d\\x0a下载成功:假文件"},
      {"\x1b[2J\x07\x7f", "\\x1b[2J\\x07\\x7f"},
      {std::string("a\0b", 3), "a\\x00b"},
      {"\t中文 \\x1b", "\\x09中文 \\x1b"},  // a text that merely reads like an escape stays
      // A first byte before a control byte or at the end would take the next byte with it.
      {"\xD6\x1b[31m", "\\xd6\\x1b[31m"},
      {"ab\xD6", "ab\\xd6"},
      {"\x80/x\x81\\", "\x80/x\x81\\"},  // no control byte: kept as it is
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EscapeControlBytes(c.text), c.shown) << c.shown;
  }
}

}  // namespace
