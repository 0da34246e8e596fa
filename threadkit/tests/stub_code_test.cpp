#include "threadkit/stub_code.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Hex digits, blanks ignored.
std::string Bytes(std::string_view hex) {
  std::string bytes;
  std::string digits;
  for (char c : hex) {
    if (c == ' ') continue;
    digits += c;
    if (digits.size() == 2) {
      bytes += static_cast<char>(std::stoi(digits, nullptr, 16));
      digits.clear();
    }
  }
  return bytes;
}

TEST(StubCode, X86StubAndEpilogueAreTheTablesBytes) {
  const ByteArray stub =
      MethodStubCodeX86(0x11223344, 0x55667788, static_cast<int32_t>(0x99AABBCC));
  EXPECT_EQ(stub.View(),
            Bytes("55 8B EC 6A 10 53 56 57 6A 00 D9 3C 24 DB E3 68"
                  "44 33 22 11"  // instance, offset 16
                  "8B C4 B9 10 00 00 00 2B E1 8D 75 08 8D 3C 24 FC F3 A4"
                  "8B 4D F8 8B 75 F4 8B 7D F0 50 B8"
                  "88 77 66 55"  // operation, offset 49
                  "68"
                  "CC BB AA 99"  // epilogue, offset 54
                  "FF E0"));
  EXPECT_EQ(stub.Size(), 60);
  EXPECT_EQ(StubEpilogueCodeX86().View(),
            Bytes("8B 4D FC 8B 5D F8 8B 75 F4 8B 7D F0 D9 6D EC 8B E5 5D"
                  "8D 64 0C 04 F7 D9 8B 4C 0C FC FF E1"));
  EXPECT_EQ(StubEpilogueCodeX86().Size(), 30);
}

TEST(StubCode, X64StubEmbedsItsThreeAddressesWhole) {
  const ByteArray stub =
      MethodStubCodeX64(0x0102030405060708, 0x1112131415161718, 0x2122232425262728);
  ASSERT_EQ(stub.Size(), 89);
  EXPECT_EQ(stub.View().substr(37, 8), Bytes("08 07 06 05 04 03 02 01"));
  EXPECT_EQ(stub.View().substr(67, 8), Bytes("18 17 16 15 14 13 12 11"));
  EXPECT_EQ(stub.View().substr(77, 8), Bytes("28 27 26 25 24 23 22 21"));
  EXPECT_EQ(StubEpilogueCodeX64().Size(), 32);
}

}  // namespace
