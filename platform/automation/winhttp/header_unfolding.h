// Header lines as a recipient must read them (RFC 9112 section 5.2): a line that begins with a
// blank (SP or HT) is no header of its own but continues the line before it, an obsolete
// folding that a server may still send. Unfolded, the two are one line, joined by one blank with
// the continuation's own leading blanks dropped: "Content-Length: 5" followed by " 6" reads
// "Content-Length: 5 6". Every reader of response headers unfolds them this way before it looks
// at any header, so that no two readers see different headers in the same text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct UnfoldedHeaderLine {
  std::string text;
  bool folded = false;  // continued on one or more lines
};

class HeaderUnfolding {
 public:
  // The next line as received, without its line end.
  void Add(std::string_view line);

  // The lines so far, each with its continuations joined on. A continuation with no line before
  // it to continue stays a line of its own, which still begins with a blank and so names no
  // header; a reader that must refuse it asks BeginsWithContinuation.
  const std::vector<UnfoldedHeaderLine>& Lines() const { return lines_; }
  bool BeginsWithContinuation() const { return beginsWithContinuation_; }

 private:
  std::vector<UnfoldedHeaderLine> lines_;
  bool beginsWithContinuation_ = false;
};

}  // namespace platform
