#include "platform/automation/late_binding.h"

namespace platform {
namespace {
thread_local AutomationError lastError = AutomationError::kNone;
}  // namespace

InvokeResult InvokeMember(DispatchObject* object, std::u16string_view member, InvokeKind kind,
                          Arguments args) {
  InvokeResult result = object == nullptr ? InvokeResult::Failure(AutomationError::kNoObject)
                                          : object->Invoke(member, kind, args);
  lastError = result.error;
  if (result.Failed()) result.value = Variant();
  return result;
}

AutomationError LastAutomationError() { return lastError; }
void SetLastAutomationError(AutomationError error) { lastError = error; }

}  // namespace platform
