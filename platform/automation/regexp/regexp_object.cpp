#include "platform/automation/regexp/regexp_object.h"

#include <string>

#include "platform/automation/regexp/compiled_pattern.h"
#include "platform/automation/regexp/replacement.h"

namespace platform {
namespace {

// What one Execute found, shared by the collection and the matches taken from it.
struct MatchList {
  std::u16string subject;
  MatchSpans spans;
};

InvokeResult NoArguments(Arguments args, Variant value) {
  if (!args.empty()) return InvokeResult::Failure(AutomationError::kBadParamCount);
  return InvokeResult::Success(std::move(value));
}

// The one argument of an Item read, as an index below `count`.
std::optional<int32_t> ItemIndex(Arguments args, size_t count, AutomationError& error) {
  if (args.size() != 1) {
    error = AutomationError::kBadParamCount;
    return std::nullopt;
  }
  std::optional<int32_t> index = args[0].ToInt32();
  if (!index) {
    error = AutomationError::kTypeMismatch;
    return std::nullopt;
  }
  if (*index < 0 || static_cast<size_t>(*index) >= count) {
    error = AutomationError::kException;
    return std::nullopt;
  }
  return index;
}

class SubMatchesObject final : public DispatchObject {
 public:
  SubMatchesObject(std::shared_ptr<const MatchList> list, size_t match)
      : list_(std::move(list)), match_(match) {}

  InvokeResult Invoke(std::u16string_view member, InvokeKind kind, Arguments args) override {
    return DispatchByName(*this, kMembers, member, kind, args);
  }

 private:
  InvokeResult Count(Arguments args) {
    return NoArguments(args, Variant::Int32(list_->spans.groupCount));
  }
  InvokeResult Item(Arguments args) {
    AutomationError error = AutomationError::kNone;
    std::optional<int32_t> index = ItemIndex(args, list_->spans.groupCount, error);
    if (!index) return InvokeResult::Failure(error);
    int32_t start = list_->spans.Start(match_, *index + 1);
    if (start < 0) return InvokeResult::Success();  // the empty variant
    int32_t end = list_->spans.End(match_, *index + 1);
    return InvokeResult::Success(Variant::String(list_->subject.substr(start, end - start)));
  }

  static constexpr DispatchMember<SubMatchesObject> kMembers[] = {
      {"Count", &SubMatchesObject::Count},
      {"Item", &SubMatchesObject::Item},
  };

  std::shared_ptr<const MatchList> list_;
  size_t match_;
};

class MatchObject final : public DispatchObject {
 public:
  MatchObject(std::shared_ptr<const MatchList> list, size_t match)
      : list_(std::move(list)), match_(match) {}

  InvokeResult Invoke(std::u16string_view member, InvokeKind kind, Arguments args) override {
    return DispatchByName(*this, kMembers, member, kind, args);
  }

 private:
  int32_t Start() const { return list_->spans.Start(match_, 0); }
  int32_t Length() const { return list_->spans.End(match_, 0) - Start(); }

  InvokeResult Value(Arguments args) {
    return NoArguments(args, Variant::String(list_->subject.substr(Start(), Length())));
  }
  InvokeResult FirstIndex(Arguments args) { return NoArguments(args, Variant::Int32(Start())); }
  InvokeResult LengthMember(Arguments args) { return NoArguments(args, Variant::Int32(Length())); }
  InvokeResult SubMatches(Arguments args) {
    return NoArguments(args, Variant::Object(std::make_shared<SubMatchesObject>(list_, match_)));
  }

  static constexpr DispatchMember<MatchObject> kMembers[] = {
      {"Value", &MatchObject::Value},
      {"FirstIndex", &MatchObject::FirstIndex},
      {"Length", &MatchObject::LengthMember},
      {"SubMatches", &MatchObject::SubMatches},
  };

  std::shared_ptr<const MatchList> list_;
  size_t match_;
};

class MatchCollectionObject final : public DispatchObject {
 public:
  explicit MatchCollectionObject(std::shared_ptr<const MatchList> list) : list_(std::move(list)) {}

  InvokeResult Invoke(std::u16string_view member, InvokeKind kind, Arguments args) override {
    return DispatchByName(*this, kMembers, member, kind, args);
  }

 private:
  InvokeResult Count(Arguments args) {
    return NoArguments(args, Variant::Int32(static_cast<int32_t>(list_->spans.Count())));
  }
  InvokeResult Item(Arguments args) {
    AutomationError error = AutomationError::kNone;
    std::optional<int32_t> index = ItemIndex(args, list_->spans.Count(), error);
    if (!index) return InvokeResult::Failure(error);
    return InvokeResult::Success(Variant::Object(std::make_shared<MatchObject>(list_, *index)));
  }

  static constexpr DispatchMember<MatchCollectionObject> kMembers[] = {
      {"Count", &MatchCollectionObject::Count},
      {"Item", &MatchCollectionObject::Item},
  };

  std::shared_ptr<const MatchList> list_;
};

class RegExpObject final : public DispatchObject {
 public:
  InvokeResult Invoke(std::u16string_view member, InvokeKind kind, Arguments args) override {
    return DispatchByName(*this, kMembers, member, kind, args);
  }

 private:
  InvokeResult GetIgnoreCase(Arguments args) {
    return NoArguments(args, Variant::Bool(ignoreCase_));
  }
  InvokeResult GetMultiline(Arguments args) { return NoArguments(args, Variant::Bool(multiline_)); }
  InvokeResult GetGlobal(Arguments args) { return NoArguments(args, Variant::Bool(global_)); }
  InvokeResult GetPattern(Arguments args) { return NoArguments(args, Variant::String(pattern_)); }

  AutomationError PutFlag(bool& flag, const Variant& value) {
    std::optional<bool> on = value.ToBool();
    if (!on) return AutomationError::kTypeMismatch;
    if (*on != flag) compiled_.reset();
    flag = *on;
    return AutomationError::kNone;
  }
  AutomationError PutIgnoreCase(const Variant& value) { return PutFlag(ignoreCase_, value); }
  AutomationError PutMultiline(const Variant& value) { return PutFlag(multiline_, value); }
  AutomationError PutGlobal(const Variant& value) { return PutFlag(global_, value); }
  AutomationError PutPattern(const Variant& value) {
    std::optional<std::u16string> pattern = value.ToString();
    if (!pattern) return AutomationError::kTypeMismatch;
    compiled_.reset();
    pattern_ = std::move(*pattern);
    return AutomationError::kNone;
  }

  // The pattern compiled with the current options, compiled again only after a change.
  const CompiledPattern* Compiled() {
    if (!compiled_) compiled_ = CompiledPattern::Compile(pattern_, {ignoreCase_, multiline_});
    return compiled_.get();
  }

  // The matches in subject under the current properties, or the failure of the call.
  InvokeResult Search(const Variant& subject, std::shared_ptr<MatchList>& list) {
    std::optional<std::u16string> text = subject.ToString();
    if (!text) return InvokeResult::Failure(AutomationError::kTypeMismatch);
    const CompiledPattern* pattern = Compiled();
    if (pattern == nullptr) return InvokeResult::Failure(AutomationError::kException);
    std::optional<MatchSpans> spans = pattern->Search(*text, global_, kRegExpSearchBudget);
    if (!spans) return InvokeResult::Failure(AutomationError::kException);
    list = std::make_shared<MatchList>(MatchList{std::move(*text), std::move(*spans)});
    return InvokeResult::Success();
  }

  InvokeResult Execute(Arguments args) {
    if (args.size() != 1) return InvokeResult::Failure(AutomationError::kBadParamCount);
    std::shared_ptr<MatchList> list;
    InvokeResult searched = Search(args[0], list);
    if (searched.Failed()) return searched;
    return InvokeResult::Success(Variant::Object(std::make_shared<MatchCollectionObject>(list)));
  }

  InvokeResult Replace(Arguments args) {
    if (args.size() != 2) return InvokeResult::Failure(AutomationError::kBadParamCount);
    std::optional<std::u16string> replacement = args[1].ToString();
    if (!replacement) return InvokeResult::Failure(AutomationError::kTypeMismatch);
    std::shared_ptr<MatchList> list;
    InvokeResult searched = Search(args[0], list);
    if (searched.Failed()) return searched;
    return InvokeResult::Success(
        Variant::String(ReplaceMatches(list->subject, list->spans, *replacement)));
  }

  static constexpr DispatchMember<RegExpObject> kMembers[] = {
      {"IgnoreCase", &RegExpObject::GetIgnoreCase, &RegExpObject::PutIgnoreCase},
      {"Multiline", &RegExpObject::GetMultiline, &RegExpObject::PutMultiline},
      {"Global", &RegExpObject::GetGlobal, &RegExpObject::PutGlobal},
      {"Pattern", &RegExpObject::GetPattern, &RegExpObject::PutPattern},
      {"Execute", &RegExpObject::Execute},
      {"Replace", &RegExpObject::Replace},
  };

  bool ignoreCase_ = false;
  bool multiline_ = false;
  bool global_ = false;
  std::u16string pattern_;
  std::unique_ptr<CompiledPattern> compiled_;
};

}  // namespace

std::shared_ptr<DispatchObject> CreateRegExpObject() { return std::make_shared<RegExpObject>(); }

}  // namespace platform
