#include "platform/automation/builtin_classes.h"

#include "platform/automation/regexp/regexp_object.h"

namespace platform {

std::vector<BuiltInClass> BuiltInClasses() {
  return {
      {u"VBScript.RegExp", [] { return CreateRegExpObject(); }},
  };
}

}  // namespace platform
