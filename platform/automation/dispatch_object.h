// DispatchObject: an automation object reached by member name, the late binding through which
// the program drives its regular-expression and HTTP objects. Objects are shared through
// std::shared_ptr: each holder's pointer is one reference, and the object goes with the last.
// An object is used only on the thread that created it.
#pragma once

#include <span>
#include <string_view>

#include "platform/automation/automation_error.h"
#include "platform/automation/variant.h"

namespace platform {

enum class InvokeKind {
  kGet,   // read a property (with arguments, an indexed property)
  kCall,  // call a method
  kPut,   // write a property; the last argument is the value, any before it are indices
};

struct InvokeResult {
  AutomationError error = AutomationError::kNone;
  Variant value;  // empty unless the call succeeded and gave a value

  static InvokeResult Failure(AutomationError error) {
    InvokeResult result;
    result.error = error;
    return result;
  }
  static InvokeResult Success() { return {}; }
  static InvokeResult Success(Variant value) { return {AutomationError::kNone, std::move(value)}; }
  bool Failed() const { return error != AutomationError::kNone; }
};

class DispatchObject {
 public:
  DispatchObject() = default;
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;
  virtual ~DispatchObject() = default;

  // Finds the member by name, ignoring the case of ASCII letters, and uses it as kind asks.
  // A name the object lacks gives AutomationError::kUnknownName. Never throws.
  virtual InvokeResult Invoke(std::u16string_view member, InvokeKind kind, Arguments args) = 0;
};

bool MemberNameEquals(std::u16string_view name, std::string_view asciiName);

// A member of a class that describes itself with a table. A property read and a method call
// reach `read` alike (the automation clients of old call a property with parentheses and read
// a method without them); a write reaches `write`. A null entry refuses that use. An indexed
// property, whose reads and writes carry its indices first, takes every use in `indexed` and
// has neither `read` nor `write`.
template <typename Object>
struct DispatchMember {
  std::string_view name;
  InvokeResult (Object::*read)(Arguments args) = nullptr;
  AutomationError (Object::*write)(const Variant& value) = nullptr;
  InvokeResult (Object::*indexed)(InvokeKind kind, Arguments args) = nullptr;
};

// Invoke for a class with a member table. Writes other than indexed ones take exactly one
// argument, the value.
template <typename Object, size_t count>
InvokeResult DispatchByName(Object& object, const DispatchMember<Object> (&members)[count],
                            std::u16string_view member, InvokeKind kind, Arguments args) {
  for (const DispatchMember<Object>& entry : members) {
    if (!MemberNameEquals(member, entry.name)) continue;
    if (entry.indexed != nullptr) return (object.*entry.indexed)(kind, args);
    if (kind == InvokeKind::kPut) {
      if (entry.write == nullptr) return InvokeResult::Failure(AutomationError::kMemberNotFound);
      if (args.size() != 1) return InvokeResult::Failure(AutomationError::kBadParamCount);
      AutomationError error = (object.*entry.write)(args[0]);
      return error == AutomationError::kNone ? InvokeResult::Success()
                                             : InvokeResult::Failure(error);
    }
    if (entry.read == nullptr) return InvokeResult::Failure(AutomationError::kMemberNotFound);
    return (object.*entry.read)(args);
  }
  return InvokeResult::Failure(AutomationError::kUnknownName);
}

}  // namespace platform
