#include "platform/automation/class_registry.h"

#include <map>
#include <mutex>

#include "platform/automation/builtin_classes.h"
#include "platform/automation/com_initialization.h"
#include "platform/automation/late_binding.h"
#include "platform/codepage.h"

namespace platform {
namespace {

std::u16string RegistryKey(std::u16string_view progId) {
  std::u16string key(progId);
  for (char16_t& c : key) c = FoldAsciiCase(c);
  return key;
}

class ClassRegistry {
 public:
  static ClassRegistry& Instance() {
    static ClassRegistry registry;
    return registry;
  }

  std::optional<ObjectFactory> Find(std::u16string_view progId) {
    std::lock_guard lock(mutex_);
    auto found = factories_.find(RegistryKey(progId));
    if (found == factories_.end()) return std::nullopt;
    return found->second;
  }

  // Puts factory (or, when nullopt, no class) under progId; returns what was there.
  std::optional<ObjectFactory> Replace(std::u16string_view progId,
                                       std::optional<ObjectFactory> factory) {
    std::lock_guard lock(mutex_);
    std::u16string key = RegistryKey(progId);
    std::optional<ObjectFactory> old;
    if (auto found = factories_.find(key); found != factories_.end()) {
      old = std::move(found->second);
      factories_.erase(found);
    }
    if (factory) factories_.emplace(std::move(key), std::move(*factory));
    return old;
  }

 private:
  ClassRegistry() {
    for (BuiltInClass& builtIn : BuiltInClasses()) {
      factories_.emplace(RegistryKey(builtIn.progId), std::move(builtIn.factory));
    }
  }

  std::mutex mutex_;
  std::map<std::u16string, ObjectFactory> factories_;
};

}  // namespace

std::shared_ptr<DispatchObject> CreateAutomationObject(std::u16string_view progId) {
  if (CoInitializeCount() == 0) {
    SetLastAutomationError(AutomationError::kNotInitialized);
    return nullptr;
  }
  std::optional<ObjectFactory> factory = ClassRegistry::Instance().Find(progId);
  if (!factory) {
    SetLastAutomationError(AutomationError::kClassNotRegistered);
    return nullptr;
  }
  std::shared_ptr<DispatchObject> object = (*factory)();
  SetLastAutomationError(object ? AutomationError::kNone : AutomationError::kCreationFailed);
  return object;
}

ScopedClassOverride::ScopedClassOverride(std::u16string progId, ObjectFactory factory)
    : progId_(std::move(progId)),
      replaced_(ClassRegistry::Instance().Replace(progId_, std::move(factory))) {}

ScopedClassOverride::~ScopedClassOverride() {
  ClassRegistry::Instance().Replace(progId_, std::move(replaced_));
}

}  // namespace platform
