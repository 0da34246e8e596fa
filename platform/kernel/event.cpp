#include "platform/kernel/event.h"

#include <memory>

#include "platform/kernel/call_faults.h"
#include "platform/kernel/handle_table.h"

namespace platform {

Handle CreateEvent(bool manualReset, bool initiallySet) {
  return HandleTable::Process().Insert(std::make_shared<Event>(manualReset, initiallySet));
}

bool SetEvent(Handle event) {
  call_faults::BeforeCall({KernelCallKind::kSetEvent, event});
  std::shared_ptr<Event> object = HandleTable::Process().FindAs<Event>(event);
  if (!object) return false;
  object->Set();
  return true;
}

bool ResetEvent(Handle event) {
  call_faults::BeforeCall({KernelCallKind::kResetEvent, event});
  std::shared_ptr<Event> object = HandleTable::Process().FindAs<Event>(event);
  if (!object) return false;
  object->Reset();
  return true;
}

}  // namespace platform
