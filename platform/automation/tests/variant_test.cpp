#include "platform/automation/variant.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(Variant, ConvertsBetweenKinds) {
  EXPECT_EQ(Variant().ToInt32(), 0);
  EXPECT_EQ(Variant().ToString(), u"");
  EXPECT_EQ(Variant().ToBool(), false);
  EXPECT_EQ(Variant::Double(2.5).ToInt32(), 2);  // half to even, as automation rounds
  EXPECT_EQ(Variant::Double(3.5).ToInt32(), 4);
  EXPECT_EQ(Variant::Double(-0.0).ToInt32(), 0);
  EXPECT_EQ(Variant::Double(3e10).ToInt32(), std::nullopt);
  EXPECT_EQ(Variant::Bool(true).ToInt32(), -1);
  EXPECT_EQ(Variant::String(u" 42 ").ToInt32(), 42);
  EXPECT_EQ(Variant::String(u"12abc").ToInt32(), std::nullopt);
  EXPECT_EQ(Variant::String(u"").ToDouble(), std::nullopt);
  EXPECT_EQ(Variant::String(u"TRUE").ToBool(), true);
  EXPECT_EQ(Variant::String(u"0").ToBool(), false);
  EXPECT_EQ(Variant::Int32(2).ToBool(), true);
  EXPECT_EQ(Variant::Int32(-7).ToString(), u"-7");
  EXPECT_EQ(Variant::Double(0.1).ToString(), u"0.1");
  EXPECT_EQ(Variant::Bool(false).ToString(), u"False");
  EXPECT_EQ(Variant::FromBytes({1, 2}).ToString(), std::nullopt);
  EXPECT_EQ(Variant::String(u"ab").ToBytes(), std::nullopt);
  EXPECT_EQ(Variant::FromBytes({0, 255}).ToBytes(), (Variant::Bytes{0, 255}));
  EXPECT_EQ(Variant::Int32(1).ToObject(), std::nullopt);
  EXPECT_EQ(Variant::Object(nullptr).ToObject(), std::shared_ptr<DispatchObject>());
}

TEST(Variant, CopiesShareNothingMutableAndCompareByValue) {
  Variant text = Variant::String(u"abc");
  Variant copy = text;
  text = Variant::Int32(0);
  EXPECT_EQ(copy, Variant::String(u"abc"));
  EXPECT_NE(Variant::Int32(1), Variant::Double(1));
  EXPECT_NE(Variant(), Variant::Int32(0));
}

}  // namespace
}  // namespace platform
