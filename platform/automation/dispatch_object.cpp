#include "platform/automation/dispatch_object.h"

#include "platform/codepage.h"

namespace platform {

bool MemberNameEquals(std::u16string_view name, std::string_view asciiName) {
  if (name.size() != asciiName.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const auto asciiUnit = static_cast<char16_t>(static_cast<unsigned char>(asciiName[i]));
    if (FoldAsciiCase(name[i]) != FoldAsciiCase(asciiUnit)) return false;
  }
  return true;
}

}  // namespace platform
