// The classes that automation objects are created from, by ProgID. The program's own classes
// are built in; tests put their own factory in place of one (a recording object, or a class
// that cannot be created) for the lifetime of a ScopedClassOverride.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/automation/dispatch_object.h"

namespace platform {

// Makes a new object; null when it cannot (the class "cannot be created").
using ObjectFactory = std::function<std::shared_ptr<DispatchObject>()>;

// A new object of the class registered under progId (ASCII case ignored), or null. Fails with
// kNotInitialized on a thread without CoInitialize, kClassNotRegistered for an unknown ProgID
// and kCreationFailed when the factory makes nothing; the outcome becomes the thread's last
// automation error. Safe to call from any thread.
std::shared_ptr<DispatchObject> CreateAutomationObject(std::u16string_view progId);

class ScopedClassOverride {
 public:
  // While this lives, progId makes its objects with factory, on every thread. Overrides of one
  // ProgID nest and must end in reverse order; each restores what it replaced.
  ScopedClassOverride(std::u16string progId, ObjectFactory factory);
  ~ScopedClassOverride();
  ScopedClassOverride(const ScopedClassOverride&) = delete;
  ScopedClassOverride& operator=(const ScopedClassOverride&) = delete;

 private:
  std::u16string progId_;
  std::optional<ObjectFactory> replaced_;
};

}  // namespace platform
