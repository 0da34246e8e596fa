#include "platform/automation/regexp/compiled_pattern.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <algorithm>
#include <limits>
#include <string>

#include "platform/automation/regexp/pattern_dialect.h"

namespace platform {
namespace {

template <typename T, void (*Free)(T*)>
struct Pcre2Deleter {
  void operator()(T* p) const { Free(p); }
};
using CompileContextPtr =
    std::unique_ptr<pcre2_compile_context,
                    Pcre2Deleter<pcre2_compile_context, pcre2_compile_context_free>>;
using MatchContextPtr =
    std::unique_ptr<pcre2_match_context,
                    Pcre2Deleter<pcre2_match_context, pcre2_match_context_free>>;
using MatchDataPtr =
    std::unique_ptr<pcre2_match_data, Pcre2Deleter<pcre2_match_data, pcre2_match_data_free>>;
using JitStackPtr =
    std::unique_ptr<pcre2_jit_stack, Pcre2Deleter<pcre2_jit_stack, pcre2_jit_stack_free>>;
using CodePtr = std::unique_ptr<pcre2_code, Pcre2Deleter<pcre2_code, pcre2_code_free>>;

// A long lazy span over a large page keeps a few frames only; deep nesting may want more.
constexpr size_t kJitStackStart = 32 * 1024;
constexpr size_t kJitStackMax = 4 * 1024 * 1024;

CodePtr CompileForPcre2(std::u16string_view pattern, PatternOptions options) {
  CompileContextPtr context(pcre2_compile_context_create(nullptr));
  // LF alone ends a line for ".", as in the script engines; the anchors are rewritten.
  pcre2_set_newline(context.get(), PCRE2_NEWLINE_LF);
  uint32_t flags = PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS | PCRE2_DOLLAR_ENDONLY;
  if (options.ignoreCase) flags |= PCRE2_CASELESS;
  int errorCode = 0;
  PCRE2_SIZE errorOffset = 0;
  return CodePtr(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), flags,
                               &errorCode, &errorOffset, context.get()));
}

struct Budget {
  std::chrono::steady_clock::time_point deadline;
};

// The guard at the start of the pattern: PCRE2 runs it once at every start position that its
// start-up optimisations leave to try, so the search stops there once its time is spent.
int CheckBudget(pcre2_callout_block*, void* data) {
  const Budget& budget = *static_cast<const Budget*>(data);
  return std::chrono::steady_clock::now() > budget.deadline ? PCRE2_ERROR_CALLOUT : 0;
}

}  // namespace

struct CompiledPattern::Code {
  CodePtr code;
};

CompiledPattern::CompiledPattern(std::unique_ptr<Code> code, int32_t groupCount)
    : code_(std::move(code)), groupCount_(groupCount) {}

CompiledPattern::~CompiledPattern() = default;

std::unique_ptr<CompiledPattern> CompiledPattern::Compile(std::u16string_view pattern,
                                                          PatternOptions options) {
  // The pattern as written must be valid on its own: inside the guard's group a stray ")"
  // would otherwise close the group and be taken.
  if (!CompileForPcre2(pattern, options)) return nullptr;
  std::u16string guarded = u"(?C1)(?:";
  guarded += options.multiline ? RewriteLineAnchors(pattern) : std::u16string(pattern);
  guarded += u")";
  auto code = std::make_unique<Code>();
  code->code = CompileForPcre2(guarded, options);
  if (!code->code) return nullptr;
  // Without the JIT (a machine that refuses executable memory) the interpreter runs instead.
  pcre2_jit_compile(code->code.get(), PCRE2_JIT_COMPLETE);
  uint32_t captures = 0;
  pcre2_pattern_info(code->code.get(), PCRE2_INFO_CAPTURECOUNT, &captures);
  return std::unique_ptr<CompiledPattern>(
      new CompiledPattern(std::move(code), static_cast<int32_t>(captures)));
}

std::optional<MatchSpans> CompiledPattern::Search(
    std::u16string_view subject, bool all, std::chrono::steady_clock::duration budget) const {
  if (subject.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    return std::nullopt;
  }
  Budget limit{std::chrono::steady_clock::now() + budget};
  MatchContextPtr context(pcre2_match_context_create(nullptr));
  JitStackPtr jitStack(pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr));
  pcre2_jit_stack_assign(context.get(), nullptr, jitStack.get());
  pcre2_set_callout(context.get(), &CheckBudget, &limit);
  MatchDataPtr matchData(pcre2_match_data_create_from_pattern(code_->code.get(), nullptr));

  MatchSpans spans;
  spans.groupCount = groupCount_;
  // An empty subject still has a position for the empty match; PCRE2 wants a valid pointer.
  auto units = reinterpret_cast<PCRE2_SPTR>(subject.empty() ? u"" : subject.data());
  size_t start = 0;
  while (start <= subject.size()) {
    int result = pcre2_match(code_->code.get(), units, subject.size(), start, 0, matchData.get(),
                             context.get());
    if (result == PCRE2_ERROR_NOMATCH) break;
    if (result < 0) return std::nullopt;  // the budget, a limit of the engine, or its failure
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(matchData.get());
    for (int32_t group = 0; group <= groupCount_; ++group) {
      PCRE2_SIZE groupStart = ovector[2 * group];
      PCRE2_SIZE groupEnd = ovector[2 * group + 1];
      if (group >= result || groupStart == PCRE2_UNSET) {
        spans.offsets.push_back(-1);
        spans.offsets.push_back(-1);
      } else {
        spans.offsets.push_back(static_cast<int32_t>(groupStart));
        // \K in a look-ahead can leave the end before the start.
        spans.offsets.push_back(static_cast<int32_t>(std::max(groupStart, groupEnd)));
      }
    }
    if (!all) break;
    size_t matchStart = ovector[0];
    size_t matchEnd = std::max(ovector[0], ovector[1]);
    size_t next = matchEnd == matchStart ? matchEnd + 1 : matchEnd;
    start = next > start ? next : start + 1;  // always forward, whatever \K did
  }
  return spans;
}

}  // namespace platform
