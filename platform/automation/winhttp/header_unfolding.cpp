#include "platform/automation/winhttp/header_unfolding.h"

namespace platform {
namespace {

constexpr std::string_view kBlanks = " \t";

}  // namespace

void HeaderUnfolding::Add(std::string_view line) {
  const bool continues = !line.empty() && kBlanks.find(line.front()) != std::string_view::npos;
  if (!continues) {
    lines_.push_back({std::string(line)});
    return;
  }
  if (lines_.empty()) {
    beginsWithContinuation_ = true;
    lines_.push_back({std::string(line)});
    return;
  }
  const size_t text = line.find_first_not_of(kBlanks);
  UnfoldedHeaderLine& continued = lines_.back();
  continued.text += ' ';
  if (text != std::string_view::npos) continued.text += line.substr(text);
  continued.folded = true;
}

}  // namespace platform
