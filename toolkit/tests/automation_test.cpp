#include "toolkit/automation.h"

#include <gtest/gtest.h>

#include "platform/automation/class_registry.h"
#include "platform/automation/late_binding.h"
#include "platform/automation/testing/recording_object.h"

namespace {

using platform::AutomationError;
using platform::InvokeKind;
using platform::LastAutomationError;
using platform::RecordingObject;

constexpr std::u16string_view kProgId = u"Test.Recorder";

// A thread with automation initialised and a recording class registered under kProgId.
class Automation : public ::testing::Test {
 protected:
  Automation() : override_(std::u16string(kProgId), [this] { return recorder_; }) {
    ComInitialize();
  }
  ~Automation() override { ComUninitialize(); }

  ComObject Recorder() {
    ComObject holder;
    EXPECT_TRUE(CmdComCreate(holder, "Test.Recorder"));
    return holder;
  }

  std::shared_ptr<RecordingObject> recorder_ = std::make_shared<RecordingObject>();
  platform::ScopedClassOverride override_;
};

TEST_F(Automation, CreateReplacesTheHolderOnlyOnSuccess) {
  ComObject holder = Recorder();
  EXPECT_EQ(holder.Get(), recorder_.get());
  EXPECT_FALSE(CmdComCreate(holder, "No.Such.Class"));
  EXPECT_EQ(holder.Get(), recorder_.get());
  {
    platform::ScopedClassOverride uncreatable(std::u16string(kProgId), [] { return nullptr; });
    EXPECT_FALSE(CmdComCreate(holder, "Test.Recorder"));
  }
  EXPECT_EQ(holder.Get(), recorder_.get());
  ComUninitialize();
  EXPECT_FALSE(CmdComCreate(holder, "Test.Recorder"));  // not on a thread without automation
  EXPECT_EQ(LastAutomationError(), AutomationError::kNotInitialized);
  ComInitialize();
}

TEST_F(Automation, ArgumentsTravelAsVariantsAndTextsAsUtf16) {
  ComObject holder = Recorder();
  // Another object: one that recorded a reference to itself would never be freed.
  auto otherObject = std::make_shared<RecordingObject>();
  ComObject other(otherObject);
  // "中" is D6 D0 in GBK; 0x81 alone is no GBK character and travels as a unit of its own.
  EXPECT_TRUE(CmdComCall(holder, "Open", "\xD6\xD0\x81", int32_t{7}, 2.5, true,
                         ByteArray(std::string("a\0b", 3)), other, Variant()));
  EXPECT_TRUE(CmdComSetProperty(holder, "Option", int32_t{6}, false));
  ASSERT_EQ(recorder_->Calls().size(), 2u);
  const RecordingObject::Call& open = recorder_->Calls()[0];
  EXPECT_EQ(open.kind, InvokeKind::kCall);
  EXPECT_EQ(open.member, u"Open");
  EXPECT_EQ(open.args, (std::vector<Variant>{Variant::String(u"中\xDC81"), Variant::Int32(7),
                                             Variant::Double(2.5), Variant::Bool(true),
                                             Variant::FromBytes({'a', 0, 'b'}),
                                             Variant::Object(otherObject), Variant()}));
  const RecordingObject::Call& option = recorder_->Calls()[1];
  EXPECT_EQ(option.kind, InvokeKind::kPut);
  EXPECT_EQ(option.args, (std::vector<Variant>{Variant::Int32(6), Variant::Bool(false)}));
}

TEST_F(Automation, ResultsConvertToTheKindAsked) {
  ComObject holder = Recorder();
  auto child = std::make_shared<RecordingObject>();
  recorder_->Answer(u"Text", Variant::String(u"中\xDC81"));
  recorder_->Answer(u"Number", Variant::String(u"12.5"));
  recorder_->Answer(u"Child", Variant::Object(child));
  recorder_->Answer(u"Body", Variant::FromBytes({0, 1}));
  EXPECT_EQ(CmdComGetText(holder, "text"), "\xD6\xD0\x81");
  EXPECT_EQ(CmdComCallText(holder, "Text"), "\xD6\xD0\x81");
  EXPECT_EQ(CmdComGetNumber(holder, "Number"), 12.5);
  EXPECT_EQ(CmdComGetObject(holder, "Child").Get(), child.get());
  EXPECT_EQ(CmdComCallObject(holder, "Child").Get(), child.get());
  EXPECT_EQ(CmdVariantToBytes(CmdComGetVariant(holder, "Body")), ByteArray(std::string("\0\1", 2)));
  EXPECT_EQ(CmdComGetText(holder, "Nothing"), "");  // an empty result is the empty text
  EXPECT_EQ(LastAutomationError(), AutomationError::kNone);

  // A result of the wrong kind is a silent failure too.
  EXPECT_EQ(CmdComGetText(holder, "Child"), "");
  EXPECT_EQ(LastAutomationError(), AutomationError::kTypeMismatch);
  EXPECT_TRUE(CmdObjectIsEmpty(CmdComGetObject(holder, "Text")));
  EXPECT_EQ(LastAutomationError(), AutomationError::kTypeMismatch);
  EXPECT_EQ(CmdComGetNumber(holder, "Body"), 0);
}

TEST_F(Automation, EveryCallFailsSilentlyWithTheThreadsLastError) {
  ComObject holder = Recorder();
  recorder_->Refuse(u"Send", AutomationError::kException);
  recorder_->Answer(u"Send", Variant::String(u"unused"));
  ComObject empty;
  const struct {
    const ComObject& object;
    AutomationError error;
  } cases[] = {{holder, AutomationError::kException}, {empty, AutomationError::kNoObject}};
  for (const auto& c : cases) {
    EXPECT_EQ(CmdComGetText(c.object, "Send"), "");
    EXPECT_EQ(CmdComGetNumber(c.object, "Send"), 0);
    EXPECT_TRUE(CmdObjectIsEmpty(CmdComGetObject(c.object, "Send")));
    EXPECT_TRUE(CmdComGetVariant(c.object, "Send").IsEmpty());
    EXPECT_FALSE(CmdComCall(c.object, "Send"));
    EXPECT_EQ(CmdComCallText(c.object, "Send"), "");
    EXPECT_TRUE(CmdObjectIsEmpty(CmdComCallObject(c.object, "Send")));
    EXPECT_FALSE(CmdComSetProperty(c.object, "Send", int32_t{1}));
    EXPECT_EQ(LastAutomationError(), c.error);
  }
}

TEST_F(Automation, HoldersShareOneObjectUntilTheLastLetsGo) {
  std::weak_ptr<RecordingObject> watch = recorder_;
  ComObject first = Recorder();
  recorder_.reset();
  ComObject second;
  CmdObjectAssign(second, first);
  CmdObjectRelease(first);
  EXPECT_TRUE(CmdObjectIsEmpty(first));
  EXPECT_FALSE(watch.expired());
  CmdObjectAssign(second, first);  // assigning an empty holder lets go as well
  EXPECT_TRUE(CmdObjectIsEmpty(second));
  EXPECT_TRUE(watch.expired());
}

TEST(Variants, AssignCopyClearAndConvert) {
  Variant variant = Variant::Int32(0);
  CmdVariantAssign(variant, "\xD6\xD0");
  EXPECT_EQ(variant, Variant::String(u"中"));
  EXPECT_EQ(CmdVariantToText(variant), "\xD6\xD0");
  Variant copy;
  CmdVariantCopy(copy, variant);
  CmdVariantClear(variant);
  EXPECT_TRUE(variant.IsEmpty());
  EXPECT_EQ(copy, Variant::String(u"中"));
  EXPECT_EQ(CmdVariantToText(Variant::Int32(-12)), "-12");

  CmdVariantAssign(variant, ByteArray(std::string("x\0", 2)));
  EXPECT_EQ(CmdVariantToBytes(variant), ByteArray(std::string("x\0", 2)));
  EXPECT_EQ(CmdVariantToText(variant), "");
  EXPECT_EQ(LastAutomationError(), AutomationError::kTypeMismatch);
  EXPECT_EQ(CmdVariantToBytes(copy), ByteArray());
}

}  // namespace
