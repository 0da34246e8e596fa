// A pattern of the regular-expression object compiled by PCRE2 (16-bit code units, JIT when
// the machine allows it), and the search over one subject with a fixed budget.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace platform {

struct PatternOptions {
  bool ignoreCase = false;
  bool multiline = false;
};

// Where the matches of one search lie, in UTF-16 units of the subject.
struct MatchSpans {
  int32_t groupCount = 0;
  // Per match, groupCount + 1 pairs [start, end): the whole match, then each group; a group
  // that took no part in the match has -1 in both.
  std::vector<int32_t> offsets;

  size_t Count() const { return offsets.size() / (2 * (groupCount + 1)); }
  int32_t Start(size_t match, int32_t group) const {
    return offsets[match * 2 * (groupCount + 1) + 2 * group];
  }
  int32_t End(size_t match, int32_t group) const {
    return offsets[match * 2 * (groupCount + 1) + 2 * group + 1];
  }
};

class CompiledPattern {
 public:
  // Null when the pattern is not valid in the object's expression language. The language is
  // the script engines' one: one unit per character, "." any character but LF, "$" only at
  // the very end (or, in multi-line mode, before each CR and LF), "^" at the start (or after
  // each CR and LF), "[]" never matching and "[^]" matching anything, \uXXXX and \xXX
  // escapes; case is folded for ASCII letters.
  static std::unique_ptr<CompiledPattern> Compile(std::u16string_view pattern,
                                                  PatternOptions options);
  ~CompiledPattern();
  CompiledPattern(const CompiledPattern&) = delete;
  CompiledPattern& operator=(const CompiledPattern&) = delete;

  int32_t GroupCount() const { return groupCount_; }

  // The first match, or with `all` every match, left to right; after an empty match the next
  // search starts one unit further. nullopt when the search failed: the whole search (every
  // start position and every match) may take `budget` and no more, and the engine's own limits
  // apply to each start position. Longer than INT32_MAX units, a subject fails too.
  std::optional<MatchSpans> Search(std::u16string_view subject, bool all,
                                   std::chrono::steady_clock::duration budget) const;

 private:
  struct Code;
  explicit CompiledPattern(std::unique_ptr<Code> code, int32_t groupCount);

  std::unique_ptr<Code> code_;
  int32_t groupCount_;
};

}  // namespace platform
