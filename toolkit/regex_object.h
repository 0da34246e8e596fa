// RegexObject: one regular expression applied to one subject through the automation layer's
// "VBScript.RegExp" object, with the match list kept for numbered access to the matches and
// their sub-matches (capture groups), and for replacing the matches.
//
// Each instance initialises automation on its thread for as long as it lives, so instances
// nest on a thread and must never cross threads. Nothing in the class fails loudly: when the
// object cannot be created or a pattern is rejected, the counts give 0 and the texts "".
// Indices are 1-based and not compared with the counts: one out of range gives "".
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "runtime/text.h"
#include "toolkit/automation.h"

class RegexObject {
 public:
  // Construction: empty holders and the subject the integer 0, then Init.
  RegexObject();
  // Copy: a new instance whose holders take their own references to the same object and match
  // list, with a copy of the subject. It takes its own automation initialisation (Init does
  // not run), so that its destruction, like any other, balances one.
  RegexObject(const RegexObject& other);
  RegexObject& operator=(const RegexObject&) = delete;
  // Destruct: runs Term.
  ~RegexObject();

  // Makes a new "VBScript.RegExp" object (releasing the last one and its match list), writes
  // "IgnoreCase" (the inverse of caseSensitive: case is ignored unless it is given as true),
  // "Multiline" (default true), "Singleline" (always true; the object has no such member, and
  // the failed write is ignored), "Global" (default true) and "Pattern" (with every
  // kQuoteMarker turned into a double quote when quoteMarker is true), in this order, and runs
  // "Execute" over subject. True when a match list was obtained, even an empty one.
  bool Create(std::string_view pattern, std::string_view subject,
              std::optional<bool> caseSensitive = std::nullopt,
              std::optional<bool> multiline = std::nullopt,
              std::optional<bool> global = std::nullopt,
              std::optional<bool> quoteMarker = std::nullopt);
  // Part of the class's set of operations; nothing calls it.
  void Nop() const {}
  // The object's pattern; "" before the first Create.
  Text GetPattern() const;
  // The last Create's subject with its matches replaced (every one when "Global" was on, the
  // first otherwise) under the object's substitution rules ($1..$99, $&, $`, $', $$).
  Text Replace(std::string_view replacement) const;
  int32_t MatchCount() const;
  // The text of match matchIndex. When position is given, it receives the 0-based byte offset
  // of the first occurrence of that text in the subject from the start of the character that
  // holds byte position F (F being the match's 0-based character index, which never lies after
  // its byte position), or -2 when there is none; case is compared as the object compares it.
  Text MatchText(int32_t matchIndex, int32_t* position = nullptr) const;
  // The text of sub-match subMatchIndex of match matchIndex ("" for a group that took no part
  // in the match); position as for MatchText, searched from the whole match's index.
  Text SubMatch(int32_t matchIndex, int32_t subMatchIndex, int32_t* position = nullptr) const;
  // The number of sub-matches of the first match, whatever match the caller is looking at.
  int32_t SubMatchCount() const;

 private:
  // Construction hook: ComInitialize.
  void Init();
  // Destruction hook: releases the object and the match list and clears the subject, then
  // ComUninitialize, so the objects are gone before automation is shut down on the thread.
  void Term();

  int32_t PositionOf(const Text& found, const ComObject& match) const;

  ComObject regExp_;     // the object of the last Create
  ComObject matchList_;  // the match collection of the last Create's "Execute"
  Variant subject_;      // the last Create's subject, as a string
};
