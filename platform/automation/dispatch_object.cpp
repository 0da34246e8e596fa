#include "platform/automation/dispatch_object.h"

namespace platform {

bool MemberNameEquals(std::u16string_view name, std::string_view asciiName) {
  if (name.size() != asciiName.size()) return false;
  auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
  for (size_t i = 0; i < name.size(); ++i) {
    if (fold(name[i]) != fold(static_cast<unsigned char>(asciiName[i]))) return false;
  }
  return true;
}

}  // namespace platform
