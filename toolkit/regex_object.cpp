#include "toolkit/regex_object.h"

#include <cmath>
#include <limits>

#include "platform/codepage.h"
#include "runtime/text_operations.h"
#include "toolkit/quote_marker.h"

namespace {

constexpr std::string_view kRegExpProgId = "VBScript.RegExp";

// A number read from the object, truncated toward zero; 0 when it is no number at all.
int32_t Truncate(double number) {
  if (std::isnan(number)) return 0;
  double truncated = std::trunc(number);
  if (truncated <= std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  if (truncated >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(truncated);
}

// The 1-based position of the character that holds byte position `position` (the first
// character for one below 1). A match's character index, taken as a byte position, can fall on
// the second byte of a double-byte character, and a search begun there would read the text out
// of step and pass over the match.
int32_t CharacterStartAtOrBefore(std::string_view text, int32_t position) {
  size_t start = 0;
  for (size_t next = 0; next < text.size() && static_cast<int64_t>(next) < position;
       next += platform::IsDoubleByteLead(text[next]) ? 2 : 1) {
    start = next;
  }
  return static_cast<int32_t>(start) + 1;
}

// The object takes 0-based indices as reals.
double ZeroBased(int32_t index) { return static_cast<double>(index) - 1.0; }

}  // namespace

RegexObject::RegexObject() : subject_(Variant::Int32(0)) { Init(); }

RegexObject::RegexObject(const RegexObject& other) {
  CmdObjectAssign(regExp_, other.regExp_);
  CmdObjectAssign(matchList_, other.matchList_);
  CmdVariantCopy(subject_, other.subject_);
  ComInitialize();
}

RegexObject::~RegexObject() { Term(); }

void RegexObject::Init() { ComInitialize(); }

void RegexObject::Term() {
  CmdObjectRelease(regExp_);
  CmdObjectRelease(matchList_);
  CmdVariantClear(subject_);
  ComUninitialize();
}

bool RegexObject::Create(std::string_view pattern, std::string_view subject,
                         std::optional<bool> caseSensitive, std::optional<bool> multiline,
                         std::optional<bool> global, std::optional<bool> quoteMarker) {
  const bool ignoreCase = !caseSensitive.value_or(false);
  CmdObjectRelease(regExp_);
  CmdObjectRelease(matchList_);
  CmdComCreate(regExp_, kRegExpProgId);  // on failure every step below fails silently
  CmdComSetProperty(regExp_, "IgnoreCase", ignoreCase);
  CmdComSetProperty(regExp_, "Multiline", multiline.value_or(true));
  CmdComSetProperty(regExp_, "Singleline", true);
  CmdComSetProperty(regExp_, "Global", global.value_or(true));
  const Text fullPattern = quoteMarker.value_or(false)
                               ? CmdReplaceText(pattern, kQuoteMarker, "\"", std::nullopt,
                                                std::nullopt, /*caseSensitive=*/true)
                               : Text(pattern);
  CmdComSetProperty(regExp_, "Pattern", fullPattern);
  CmdVariantAssign(subject_, subject);
  matchList_ = CmdComCallObject(regExp_, "Execute", subject_);
  return !CmdObjectIsEmpty(matchList_);
}

Text RegexObject::GetPattern() const {
  if (CmdObjectIsEmpty(regExp_)) return Text();
  return CmdComGetText(regExp_, "Pattern");
}

Text RegexObject::Replace(std::string_view replacement) const {
  Variant with;
  CmdVariantAssign(with, replacement);
  Text result = CmdComCallText(regExp_, "Replace", subject_, with);
  CmdVariantClear(with);
  return result;
}

int32_t RegexObject::MatchCount() const { return Truncate(CmdComGetNumber(matchList_, "Count")); }

int32_t RegexObject::PositionOf(const Text& found, const ComObject& match) const {
  const Text subject = CmdVariantToText(subject_);
  const int32_t firstIndex = Truncate(CmdComGetNumber(match, "FirstIndex"));
  const bool ignoreCase = CmdComGetNumber(regExp_, "IgnoreCase") != 0;
  return CmdFindText(subject, found, CharacterStartAtOrBefore(subject, firstIndex), ignoreCase) - 1;
}

Text RegexObject::MatchText(int32_t matchIndex, int32_t* position) const {
  ComObject match = CmdComGetObject(matchList_, "Item", ZeroBased(matchIndex));
  Text result = CmdVariantToText(CmdComGetVariant(match, "Value"));
  if (position != nullptr) *position = PositionOf(result, match);
  CmdObjectRelease(match);
  return result;
}

Text RegexObject::SubMatch(int32_t matchIndex, int32_t subMatchIndex, int32_t* position) const {
  ComObject match = CmdComGetObject(matchList_, "Item", ZeroBased(matchIndex));
  ComObject subMatches = CmdComGetObject(match, "SubMatches");
  Text result = CmdVariantToText(CmdComGetVariant(subMatches, "Item", ZeroBased(subMatchIndex)));
  if (position != nullptr) *position = PositionOf(result, match);
  CmdObjectRelease(match);
  CmdObjectRelease(subMatches);
  return result;
}

int32_t RegexObject::SubMatchCount() const {
  ComObject match = CmdComGetObject(matchList_, "Item", 0);
  ComObject subMatches = CmdComGetObject(match, "SubMatches");
  int32_t count = Truncate(CmdComGetNumber(subMatches, "Count"));
  CmdObjectRelease(match);
  CmdObjectRelease(subMatches);
  return count;
}
