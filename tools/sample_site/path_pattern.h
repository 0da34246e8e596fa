// Which requests a fault or a hold applies to, by the request's path: the request target
// without scheme and host, query included ("/plus/download.php?open=2&id=5&uhash=...").
#pragma once

#include <memory>
#include <regex>
#include <string>
#include <string_view>

namespace sample_site {

class PathPattern {
 public:
  static PathPattern Exact(std::string path);
  static PathPattern Prefix(std::string prefix);
  // An ECMAScript regular expression, searched anywhere in the path (anchor it with ^ and $).
  // Throws std::regex_error for a malformed expression.
  static PathPattern Regex(std::string expression);
  // Every path.
  static PathPattern Any() { return Prefix(""); }

  bool Matches(std::string_view path) const;

  // Two patterns are equal when they were made the same way from the same text.
  bool operator==(const PathPattern& other) const {
    return kind_ == other.kind_ && text_ == other.text_;
  }

 private:
  enum class Kind { kExact, kPrefix, kRegex };
  PathPattern(Kind kind, std::string text);

  Kind kind_;
  std::string text_;
  std::shared_ptr<const std::regex> regex_;  // shared: a pattern is copied into every rule
};

}  // namespace sample_site
