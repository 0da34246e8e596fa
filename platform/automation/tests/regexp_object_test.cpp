#include <gtest/gtest.h>

#include "platform/automation/class_registry.h"
#include "platform/automation/com_initialization.h"
#include "platform/automation/late_binding.h"

namespace platform {
namespace {

struct Found {
  int32_t firstIndex;
  std::u16string value;
  friend bool operator==(const Found&, const Found&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Found& found) {
    return out << found.firstIndex << ":" << Variant::String(found.value);
  }
};

// Drives a "VBScript.RegExp" object by member name, as the program does.
class RegExp : public ::testing::Test {
 protected:
  RegExp() {
    CoInitialize();
    regexp_ = CreateAutomationObject(u"VBScript.RegExp");
  }
  ~RegExp() override {
    regexp_.reset();
    CoUninitialize();
  }

  static Variant Read(DispatchObject* object, std::u16string_view member,
                      std::vector<Variant> args = {}) {
    InvokeResult result = InvokeMember(object, member, InvokeKind::kGet, args);
    EXPECT_FALSE(result.Failed()) << std::string(member.begin(), member.end());
    return result.value;
  }
  static std::shared_ptr<DispatchObject> ReadObject(DispatchObject* object,
                                                    std::u16string_view member,
                                                    std::vector<Variant> args = {}) {
    return Read(object, member, std::move(args)).ToObject().value_or(nullptr);
  }

  void Configure(std::u16string pattern, bool global = true, bool multiline = false,
                 bool ignoreCase = false) {
    const std::pair<std::u16string_view, Variant> properties[] = {
        {u"Pattern", Variant::String(std::move(pattern))},
        {u"Global", Variant::Bool(global)},
        {u"Multiline", Variant::Bool(multiline)},
        {u"IgnoreCase", Variant::Bool(ignoreCase)},
    };
    for (const auto& [member, value] : properties) {
      ASSERT_FALSE(InvokeMember(regexp_.get(), member, InvokeKind::kPut, {&value, 1}).Failed());
    }
  }

  // The matches of Execute, or nullopt when Execute failed.
  std::optional<std::vector<Found>> Execute(std::u16string subject) {
    const Variant argument = Variant::String(std::move(subject));
    InvokeResult result =
        InvokeMember(regexp_.get(), u"Execute", InvokeKind::kCall, {&argument, 1});
    if (result.Failed()) return std::nullopt;
    DispatchObject* matches = result.value.ToObject()->get();
    std::vector<Found> found;
    int32_t count = *Read(matches, u"Count").ToInt32();
    for (int32_t i = 0; i < count; ++i) {
      std::shared_ptr<DispatchObject> match = ReadObject(matches, u"Item", {Variant::Double(i)});
      std::u16string value = *Read(match.get(), u"Value").ToString();
      EXPECT_EQ(Read(match.get(), u"Length"), Variant::Int32(static_cast<int32_t>(value.size())));
      found.push_back({*Read(match.get(), u"FirstIndex").ToInt32(), value});
    }
    return found;
  }

  std::optional<std::u16string> Replace(std::u16string subject, std::u16string replacement) {
    const Variant args[] = {Variant::String(std::move(subject)),
                            Variant::String(std::move(replacement))};
    InvokeResult result = InvokeMember(regexp_.get(), u"Replace", InvokeKind::kCall, args);
    if (result.Failed()) return std::nullopt;
    return result.value.ToString();
  }

  std::shared_ptr<DispatchObject> regexp_;
};

TEST_F(RegExp, StartsWithEverythingOff) {
  EXPECT_EQ(Read(regexp_.get(), u"IgnoreCase"), Variant::Bool(false));
  EXPECT_EQ(Read(regexp_.get(), u"Multiline"), Variant::Bool(false));
  EXPECT_EQ(Read(regexp_.get(), u"Global"), Variant::Bool(false));
  EXPECT_EQ(Read(regexp_.get(), u"Pattern"), Variant::String(u""));
}

TEST_F(RegExp, ExecuteCountsPositionsInUnitsOneCharacterEach) {
  Configure(u"b+");
  EXPECT_EQ(Execute(u"中ab文bb"), (std::vector<Found>{{2, u"b"}, {4, u"bb"}}));
  Configure(u"b+", /*global=*/false);
  EXPECT_EQ(Execute(u"中ab文bb"), (std::vector<Found>{{2, u"b"}}));
  Configure(u"x");
  EXPECT_EQ(Execute(u"abc"), std::vector<Found>{});
  // A stray byte of a page travels as a unit of its own, and is a character like any other.
  Configure(u".a");
  EXPECT_EQ(Execute(u"\xDC81"
                    u"a"),
            (std::vector<Found>{{0,
                                 u"\xDC81"
                                 u"a"}}));
  // After an empty match the next search starts one unit further.
  Configure(u"x*");
  EXPECT_EQ(Execute(u"axx"), (std::vector<Found>{{0, u""}, {1, u"xx"}, {3, u""}}));
}

TEST_F(RegExp, SubMatchesGiveGroupsAndEmptyForAGroupNotTaken) {
  Configure(u"(a)|(b)");
  const Variant subject = Variant::String(u"xb");
  InvokeResult executed = InvokeMember(regexp_.get(), u"Execute", InvokeKind::kCall, {&subject, 1});
  std::shared_ptr<DispatchObject> matches = *executed.value.ToObject();
  std::shared_ptr<DispatchObject> match = ReadObject(matches.get(), u"Item", {Variant::Int32(0)});
  std::shared_ptr<DispatchObject> groups = ReadObject(match.get(), u"SubMatches");
  EXPECT_EQ(Read(groups.get(), u"Count"), Variant::Int32(2));
  EXPECT_EQ(Read(groups.get(), u"Item", {Variant::Double(0)}), Variant());
  EXPECT_EQ(Read(groups.get(), u"Item", {Variant::Double(1)}), Variant::String(u"b"));

  const std::pair<DispatchObject*, Variant> outOfRange[] = {
      {groups.get(), Variant::Int32(2)},
      {groups.get(), Variant::Int32(-1)},
      {matches.get(), Variant::Double(1)},
      {matches.get(), Variant::Double(-1)},
  };
  for (const auto& [collection, index] : outOfRange) {
    EXPECT_EQ(InvokeMember(collection, u"Item", InvokeKind::kGet, {&index, 1}).error,
              AutomationError::kException)
        << index;
  }
}

TEST_F(RegExp, IgnoreCaseFoldsLetters) {
  Configure(u"abc", true, false, /*ignoreCase=*/true);
  EXPECT_EQ(Execute(u"xABc"), (std::vector<Found>{{1, u"ABc"}}));
  Configure(u"abc", true, false, /*ignoreCase=*/false);
  EXPECT_EQ(Execute(u"xABc"), std::vector<Found>{});
}

TEST_F(RegExp, LineAnchorsMatchAtEveryCrAndEveryLfInMultilineModeOnly) {
  const struct {
    std::u16string pattern;
    std::u16string subject;
    bool multiline;
    std::vector<int32_t> firstIndexes;
  } cases[] = {
      {u"^x", u"x\rx\nx\r\nx", true, {0, 2, 4, 7}},
      {u"^x", u"x\rx\nx\r\nx", false, {0}},
      {u"x$", u"x\rx\nx\r\nx", true, {0, 2, 4, 7}},
      {u"x$", u"x\n", false, {}},  // "$" is the very end, not before a last LF
      {u"x$", u"ax", false, {1}},
      {u"^$", u"\r\n", true, {0, 1, 2}},  // between CR and LF too
      {u"(?:^\\r|\\n$)", u"a\r\n\r\nb", true, {2, 3}},
      {u"[$^]", u"a^$", true, {1, 2}},
      {u".", u"\n\r", false, {1}},  // "." stops at LF only
      {u"a[^]b", u"a\nb", false, {0}},
      {u"a[]b", u"ab", false, {}},
      {u"\\u0041\\x42", u"AB", false, {0}},
  };
  for (const auto& c : cases) {
    Configure(c.pattern, true, c.multiline);
    std::optional<std::vector<Found>> found = Execute(c.subject);
    ASSERT_TRUE(found) << Variant::String(c.pattern);
    std::vector<int32_t> indexes;
    for (const Found& f : *found) indexes.push_back(f.firstIndex);
    EXPECT_EQ(indexes, c.firstIndexes)
        << Variant::String(c.pattern) << " multiline=" << c.multiline;
  }
}

TEST_F(RegExp, ReplaceFollowsTheSubstitutionRules) {
  const struct {
    std::u16string replacement;
    bool global;
    std::u16string expected;
  } cases[] = {
      {u"[$1]", true, u"x[a]y [a]"},
      {u"[$2]", true, u"x[b]y []"},
      {u"[$&]", true, u"x[ab]y [a]"},
      {u"[$`]", true, u"x[x]y [xaby ]"},
      {u"[$']", true, u"x[y a]y []"},
      {u"$$", true, u"x$y $"},
      {u"$3|$0|$x|$", true, u"x$3|$0|$x|$y $3|$0|$x|$"},
      {u"$10", true, u"xa0y a0"},  // no group 10: group 1, then "0"
      {u"$01", true, u"xay a"},
      {u"[$1]", false, u"x[a]y a"},
  };
  for (const auto& c : cases) {
    Configure(u"(a)(b)?", c.global);
    EXPECT_EQ(Replace(u"xaby a", c.replacement), c.expected) << Variant::String(c.replacement);
  }
  Configure(u"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)");
  EXPECT_EQ(Replace(u"abcdefghijkl", u"$12-$1"), u"l-a");
}

TEST_F(RegExp, ARejectedPatternFailsExecuteAndReplace) {
  for (const std::u16string pattern : {u"(", u"a)(b", u"[a", u"*a", u"a{2,1}"}) {
    Configure(pattern);
    EXPECT_EQ(Execute(u"a)(b"), std::nullopt) << Variant::String(pattern);
    EXPECT_EQ(LastAutomationError(), AutomationError::kException);
    EXPECT_EQ(Replace(u"a)(b", u""), std::nullopt);
  }
}

}  // namespace
}  // namespace platform
