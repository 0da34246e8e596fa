#include <gtest/gtest.h>

#include <thread>

#include "platform/automation/class_registry.h"
#include "platform/automation/com_initialization.h"
#include "platform/automation/late_binding.h"
#include "platform/automation/testing/recording_object.h"

namespace platform {
namespace {

TEST(CoInitialize, CountsPerThreadAndGatesCreation) {
  ASSERT_EQ(CoInitializeCount(), 0);
  EXPECT_EQ(CreateAutomationObject(u"VBScript.RegExp"), nullptr);
  EXPECT_EQ(LastAutomationError(), AutomationError::kNotInitialized);

  EXPECT_EQ(CoInitialize(), kInitialized);
  EXPECT_EQ(CoInitialize(), kAlreadyInitialized);
  std::thread([] {
    EXPECT_EQ(CoInitializeCount(), 0);  // another thread initialises on its own
    EXPECT_EQ(CreateAutomationObject(u"VBScript.RegExp"), nullptr);
  }).join();
  CoUninitialize();
  std::shared_ptr<DispatchObject> object = CreateAutomationObject(u"vbscript.regexp");
  EXPECT_NE(object, nullptr);  // still initialised once; ProgIDs ignore case
  EXPECT_EQ(LastAutomationError(), AutomationError::kNone);
  CoUninitialize();
  CoUninitialize();  // one too many is harmless
  EXPECT_EQ(CoInitializeCount(), 0);
  // An object outlives the initialisation that made it.
  EXPECT_FALSE(InvokeMember(object.get(), u"Pattern", InvokeKind::kGet, {}).Failed());
}

class AutomationLayer : public ::testing::Test {
 protected:
  AutomationLayer() { CoInitialize(); }
  ~AutomationLayer() override { CoUninitialize(); }
};

TEST_F(AutomationLayer, OverridesAClassForTheLifetimeOfTheOverride) {
  auto recorder = std::make_shared<RecordingObject>();
  {
    ScopedClassOverride recording(u"VBScript.RegExp", [recorder] { return recorder; });
    EXPECT_EQ(CreateAutomationObject(u"VBScript.RegExp"), recorder);
    {
      ScopedClassOverride refusing(u"VBSCRIPT.REGEXP", [] { return nullptr; });
      EXPECT_EQ(CreateAutomationObject(u"VBScript.RegExp"), nullptr);
      EXPECT_EQ(LastAutomationError(), AutomationError::kCreationFailed);
    }
    EXPECT_EQ(CreateAutomationObject(u"VBScript.RegExp"), recorder);
    ScopedClassOverride newClass(u"Test.Recorder", [recorder] { return recorder; });
    EXPECT_EQ(CreateAutomationObject(u"Test.Recorder"), recorder);
  }
  std::shared_ptr<DispatchObject> real = CreateAutomationObject(u"VBScript.RegExp");
  EXPECT_NE(real, nullptr);
  EXPECT_NE(real, recorder);
  EXPECT_EQ(CreateAutomationObject(u"Test.Recorder"), nullptr);
  EXPECT_EQ(LastAutomationError(), AutomationError::kClassNotRegistered);
}

TEST_F(AutomationLayer, FindsMembersWithoutRegardToCaseAndFailsSilently) {
  std::shared_ptr<DispatchObject> regexp = CreateAutomationObject(u"VBScript.RegExp");
  const Variant pattern = Variant::String(u"a+");
  EXPECT_FALSE(InvokeMember(regexp.get(), u"pATTERN", InvokeKind::kPut, {&pattern, 1}).Failed());
  EXPECT_EQ(InvokeMember(regexp.get(), u"PATTERN", InvokeKind::kGet, {}).value, pattern);
  // The request object's one indexed property: its index comes first, in a read and a write.
  std::shared_ptr<DispatchObject> request = CreateAutomationObject(u"WinHttp.WinHttpRequest.5.1");
  const Variant option[] = {Variant::Int32(6), Variant::Bool(false)};
  EXPECT_EQ(InvokeMember(request.get(), u"Option", InvokeKind::kGet, {option, 1}).value,
            Variant::Bool(true));
  EXPECT_FALSE(InvokeMember(request.get(), u"OPTION", InvokeKind::kPut, option).Failed());
  EXPECT_EQ(InvokeMember(request.get(), u"option", InvokeKind::kGet, {option, 1}).value,
            Variant::Bool(false));

  const struct {
    DispatchObject* object;
    std::u16string member;
    InvokeKind kind;
    std::vector<Variant> args;
    AutomationError error;
  } failures[] = {
      {regexp.get(),
       u"Singleline",
       InvokeKind::kPut,
       {Variant::Bool(true)},
       AutomationError::kUnknownName},
      {regexp.get(), u"Execute", InvokeKind::kPut, {Variant()}, AutomationError::kMemberNotFound},
      {regexp.get(), u"Execute", InvokeKind::kCall, {}, AutomationError::kBadParamCount},
      {regexp.get(),
       u"Global",
       InvokeKind::kPut,
       {Variant::FromBytes({1})},
       AutomationError::kTypeMismatch},
      {nullptr, u"Pattern", InvokeKind::kGet, {}, AutomationError::kNoObject},
      {request.get(), u"Send", InvokeKind::kPut, {Variant()}, AutomationError::kMemberNotFound},
      {request.get(),
       u"Status",
       InvokeKind::kPut,
       {Variant::Int32(200)},
       AutomationError::kMemberNotFound},
      {request.get(),
       u"SetProxyCredentials",
       InvokeKind::kCall,
       {Variant::String(u"u"), Variant::String(u"p"), Variant::Int32(1)},
       AutomationError::kUnknownName},
      {request.get(), u"Url", InvokeKind::kPut, {Variant()}, AutomationError::kUnknownName},
      {request.get(),
       u"Option",
       InvokeKind::kPut,
       {Variant::Int32(6)},
       AutomationError::kBadParamCount},
      {request.get(),
       u"Option",
       InvokeKind::kGet,
       {Variant::Int32(5)},
       AutomationError::kException},
  };
  for (const auto& failure : failures) {
    InvokeResult result = InvokeMember(failure.object, failure.member, failure.kind, failure.args);
    EXPECT_EQ(result.error, failure.error)
        << std::string(failure.member.begin(), failure.member.end());
    EXPECT_TRUE(result.value.IsEmpty());
    EXPECT_EQ(LastAutomationError(), failure.error);
  }
  InvokeMember(regexp.get(), u"Pattern", InvokeKind::kGet, {});
  EXPECT_EQ(LastAutomationError(), AutomationError::kNone);
}

TEST_F(AutomationLayer, RecordingObjectRecordsAndAnswersFromItsScript) {
  RecordingObject recorder;
  recorder.Answer(u"Status", Variant::Int32(200));
  recorder.Refuse(u"Send", AutomationError::kException);
  const Variant url = Variant::String(u"http://x.example/");
  EXPECT_EQ(InvokeMember(&recorder, u"STATUS", InvokeKind::kGet, {}).value, Variant::Int32(200));
  EXPECT_EQ(InvokeMember(&recorder, u"Send", InvokeKind::kCall, {}).error,
            AutomationError::kException);
  EXPECT_FALSE(InvokeMember(&recorder, u"Url", InvokeKind::kPut, {&url, 1}).Failed());
  ASSERT_EQ(recorder.Calls().size(), 3u);
  EXPECT_EQ(recorder.Calls()[2].args, std::vector<Variant>{url});
  EXPECT_EQ(recorder.Members(InvokeKind::kPut), std::vector<std::u16string>{u"Url"});
}

}  // namespace
}  // namespace platform
