#include "platform/automation/testing/recording_object.h"

#include "platform/codepage.h"

namespace platform {

std::u16string RecordingObject::Key(std::u16string_view member) {
  std::u16string key(member);
  for (char16_t& c : key) c = FoldAsciiCase(c);
  return key;
}

void RecordingObject::Answer(std::u16string member, Variant result) {
  answers_[Key(member)] = std::move(result);
}

void RecordingObject::Refuse(std::u16string member, AutomationError error) {
  refusals_[Key(member)] = error;
}

std::vector<std::u16string> RecordingObject::Members(InvokeKind kind) const {
  std::vector<std::u16string> members;
  for (const Call& call : calls_) {
    if (call.kind == kind) members.push_back(call.member);
  }
  return members;
}

InvokeResult RecordingObject::Invoke(std::u16string_view member, InvokeKind kind, Arguments args) {
  calls_.push_back({kind, std::u16string(member), std::vector<Variant>(args.begin(), args.end())});
  std::u16string key = Key(member);
  if (auto refused = refusals_.find(key); refused != refusals_.end()) {
    return InvokeResult::Failure(refused->second);
  }
  if (kind == InvokeKind::kPut) return InvokeResult::Success();
  auto answer = answers_.find(key);
  if (answer == answers_.end()) return InvokeResult::Success();
  return InvokeResult::Success(answer->second);
}

}  // namespace platform
