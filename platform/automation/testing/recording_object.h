// For tests: an automation object that records every call made on it and answers from a
// script, to be registered in place of a class with ScopedClassOverride.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/automation/dispatch_object.h"

namespace platform {

class RecordingObject : public DispatchObject {
 public:
  struct Call {
    InvokeKind kind;
    std::u16string member;  // as the caller spelled it
    std::vector<Variant> args;
  };

  // A read or call of member (ASCII case ignored) gives result; members without an answer
  // give the empty variant, and writes succeed.
  void Answer(std::u16string member, Variant result);
  // Every use of member fails with error, after it has been recorded.
  void Refuse(std::u16string member, AutomationError error = AutomationError::kUnknownName);

  const std::vector<Call>& Calls() const { return calls_; }
  // The members of the calls of one kind, in order.
  std::vector<std::u16string> Members(InvokeKind kind) const;

  InvokeResult Invoke(std::u16string_view member, InvokeKind kind, Arguments args) override;

 private:
  static std::u16string Key(std::u16string_view member);

  std::vector<Call> calls_;
  std::map<std::u16string, Variant> answers_;
  std::map<std::u16string, AutomationError> refusals_;
};

}  // namespace platform
