#include "runtime/conversions.h"

#include <gtest/gtest.h>

namespace {

int Sample(int x) { return x; }

TEST(CmdToInteger, ReadsDecimalNumbersFromTexts) {
  const std::pair<const char*, int32_t> cases[] = {
      {"12abc", 12},
      {"", 0},
      {"abc", 0},
      {"\xA3\xB1\xA3\xB2", 12},  // full-width one and two
      {"\xA1\xA1\xA3\xAD"
       "7",
       -7},  // full-width blank and minus
      {"  \t+42", 42},
      {"-0019", -19},
      {"- 5", 0},
      {"99999999999", INT32_MAX},  // saturates instead of overflowing
      {"-99999999999", INT32_MIN},
      {"\xD6\xD0"
       "1",
       0},  // other double-byte characters stay
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(CmdToInteger(text), expected) << text;
  EXPECT_EQ(CmdToInteger(int32_t{-5}), -5);
  EXPECT_EQ(CmdToInteger(true), 1);
  EXPECT_EQ(CmdToInteger(&Sample), reinterpret_cast<intptr_t>(&Sample));
}

TEST(CmdToText, FormatsIntegersAndStopsBytesAtZero) {
  EXPECT_EQ(CmdToText(0), "0");
  EXPECT_EQ(CmdToText(-42), "-42");
  EXPECT_EQ(CmdToText(INT32_MIN), "-2147483648");
  EXPECT_EQ(CmdToText(ByteArray(std::string("ab\0cd", 5))), "ab");
  EXPECT_EQ(CmdToText(ByteArray(std::string("abcd"))), "abcd");
  EXPECT_EQ(CmdToText(ByteArray()), "");
}

TEST(CmdToBytes, IsLittleEndian) {
  EXPECT_EQ(CmdToBytes(0x01020304).View(), std::string("\x04\x03\x02\x01", 4));
  EXPECT_EQ(CmdToBytes(-1).View(), std::string("\xFF\xFF\xFF\xFF", 4));
  EXPECT_EQ(CmdBytesLength(CmdToBytes(7)), 4);
}

TEST(CmdIntDivideAndModulo, TruncateTowardZero) {
  EXPECT_EQ(CmdIntDivide(-7, 2), -3);
  EXPECT_EQ(CmdModulo(-7, 2), -1);
  EXPECT_EQ(CmdModulo(7, -2), 1);
}

}  // namespace
