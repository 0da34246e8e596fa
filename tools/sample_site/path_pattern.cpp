#include "tools/sample_site/path_pattern.h"

namespace sample_site {

PathPattern::PathPattern(Kind kind, std::string text) : kind_(kind), text_(std::move(text)) {
  if (kind_ == Kind::kRegex) regex_ = std::make_shared<const std::regex>(text_);
}

PathPattern PathPattern::Exact(std::string path) { return {Kind::kExact, std::move(path)}; }

PathPattern PathPattern::Prefix(std::string prefix) { return {Kind::kPrefix, std::move(prefix)}; }

PathPattern PathPattern::Regex(std::string expression) {
  return {Kind::kRegex, std::move(expression)};
}

bool PathPattern::Matches(std::string_view path) const {
  switch (kind_) {
    case Kind::kExact:
      return path == text_;
    case Kind::kPrefix:
      return path.starts_with(text_);
    case Kind::kRegex:
      return std::regex_search(path.begin(), path.end(), *regex_);
  }
  return false;
}

}  // namespace sample_site
