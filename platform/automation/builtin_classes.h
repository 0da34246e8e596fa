// The classes that the program itself registers. A new class adds its line to
// BuiltInClasses().
#pragma once

#include <string>
#include <vector>

#include "platform/automation/class_registry.h"

namespace platform {

struct BuiltInClass {
  std::u16string progId;
  ObjectFactory factory;
};

std::vector<BuiltInClass> BuiltInClasses();

}  // namespace platform
