// The "VBScript.RegExp" class: the regular-expression object of the script engines, on PCRE2.
//
// Members (names in any case):
// - IgnoreCase, Multiline, Global: boolean properties, false in a new object. Multiline makes
//   "^" and "$" match at every CR and every LF as well; Global makes Execute find every match
//   and Replace replace every match, instead of the first one only.
// - Pattern: the expression (see CompiledPattern for its language), "" in a new object.
// - Execute(subject): the match collection. Fails when the pattern is rejected, and when the
//   search takes longer than kRegExpSearchBudget: a subject that makes the pattern backtrack
//   over the rest of the text at every start position fails instead of holding the thread.
// - Replace(subject, replacement): the subject with the matches replaced under the rules of
//   ReplaceMatches; fails as Execute does.
// There is no Singleline member.
//
// The match collection has Count and Item(index from 0); a match has Value, FirstIndex
// (0-based, in UTF-16 units: one per character), Length and SubMatches, which has Count and
// Item(index from 0): a group's text, or the empty variant for a group that took no part in
// the match. An index out of range fails the call.
#pragma once

#include <chrono>
#include <memory>

#include "platform/automation/dispatch_object.h"

namespace platform {

// Far above what any page of the site costs (a few milliseconds for megabytes), and short
// enough that a hostile page costs a worker seconds, not hours.
constexpr std::chrono::seconds kRegExpSearchBudget{2};

std::shared_ptr<DispatchObject> CreateRegExpObject();

}  // namespace platform
