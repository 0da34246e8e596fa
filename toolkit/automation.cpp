#include "toolkit/automation.h"

#include "platform/automation/class_registry.h"
#include "platform/automation/com_initialization.h"
#include "platform/automation/late_binding.h"
#include "platform/codepage.h"

using platform::AutomationError;
using platform::InvokeResult;

namespace automation_detail {

Variant ToVariant(std::string_view text) { return Variant::String(platform::GbkToUtf16(text)); }

Variant ToVariant(const ByteArray& bytes) { return Variant::FromBytes(bytes.Buffer()); }

Variant ToVariant(const ComObject& object) { return Variant::Object(object.Shared()); }

InvokeResult Invoke(const ComObject& object, std::string_view member, platform::InvokeKind kind,
                    std::initializer_list<Variant> args) {
  return platform::InvokeMember(object.Get(), platform::GbkToUtf16(member), kind,
                                platform::Arguments(args.begin(), args.size()));
}

Text ResultToText(const InvokeResult& result) {
  if (result.Failed()) return Text();
  return CmdVariantToText(result.value);
}

double ResultToNumber(const InvokeResult& result) {
  if (result.Failed()) return 0;
  std::optional<double> number = result.value.ToDouble();
  if (!number) platform::SetLastAutomationError(AutomationError::kTypeMismatch);
  return number.value_or(0);
}

ComObject ResultToObject(const InvokeResult& result) {
  if (result.Failed()) return ComObject();
  std::optional<std::shared_ptr<platform::DispatchObject>> object = result.value.ToObject();
  if (!object) platform::SetLastAutomationError(AutomationError::kTypeMismatch);
  return ComObject(object.value_or(nullptr));
}

}  // namespace automation_detail

void ComInitialize() { platform::CoInitialize(); }
void ComUninitialize() { platform::CoUninitialize(); }

bool CmdComCreate(ComObject& holder, std::string_view progId) {
  std::shared_ptr<platform::DispatchObject> object =
      platform::CreateAutomationObject(platform::GbkToUtf16(progId));
  if (!object) return false;
  holder = ComObject(std::move(object));
  return true;
}

Text CmdVariantToText(const Variant& variant) {
  std::optional<std::u16string> text = variant.ToString();
  if (!text) {
    platform::SetLastAutomationError(AutomationError::kTypeMismatch);
    return Text();
  }
  return platform::Utf16ToGbk(*text);
}

ByteArray CmdVariantToBytes(const Variant& variant) {
  const Variant::Bytes* bytes = variant.BytesView();
  if (bytes == nullptr) {
    platform::SetLastAutomationError(AutomationError::kTypeMismatch);
    return ByteArray();
  }
  return ByteArray(*bytes);
}

ByteArray CmdVariantToBytes(Variant&& variant) {
  std::optional<Variant::Bytes> bytes = std::move(variant).TakeBytes();
  if (!bytes) {
    platform::SetLastAutomationError(AutomationError::kTypeMismatch);
    return ByteArray();
  }
  return ByteArray(std::move(*bytes));
}
