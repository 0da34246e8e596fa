// Calls into automation objects by member name, with the thread's last automation error.
#pragma once

#include <string_view>

#include "platform/automation/dispatch_object.h"

namespace platform {

// Uses member of object as kind asks. A null object fails with AutomationError::kNoObject.
// Leaves the outcome (kNone on success) as this thread's last automation error.
InvokeResult InvokeMember(DispatchObject* object, std::u16string_view member, InvokeKind kind,
                          Arguments args);

// The outcome of the last automation operation on this thread: a call, a creation, or a
// conversion of its result that a caller reported with SetLastAutomationError.
AutomationError LastAutomationError();
void SetLastAutomationError(AutomationError error);

}  // namespace platform
