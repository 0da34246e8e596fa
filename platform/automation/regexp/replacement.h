// The substitution rules of the regular-expression object's Replace.
#pragma once

#include <string>
#include <string_view>

#include "platform/automation/regexp/compiled_pattern.h"

namespace platform {

// subject with each of spans' matches replaced by `replacement`, in which "$1".."$99" stand
// for a group ("" when it took no part), "$&" for the match, "$`" for the subject before it,
// "$'" for the subject after it and "$$" for "$". Two digits name a group when that group
// exists, else the first digit does and the second is plain text; "$" before anything else,
// or before a number that names no group, is plain text.
std::u16string ReplaceMatches(std::u16string_view subject, const MatchSpans& spans,
                              std::u16string_view replacement);

}  // namespace platform
