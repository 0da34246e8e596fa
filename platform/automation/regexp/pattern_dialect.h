// The expression language of the regular-expression object is the script engines' one, which
// PCRE2 compiles with a few options and one rewrite (see compiled_pattern.cpp for the options).
#pragma once

#include <string>
#include <string_view>

namespace platform {

// For multi-line mode: every "^" outside a character class also matches after each CR and each
// LF, and every "$" before each CR and each LF, each of the two characters on its own (PCRE2's
// newline conventions take CR LF as one line break, and so would not match between the two).
// Escapes, \Q...\E, (?#...) comments and classes (with their [:name:] parts) are copied as
// they stand.
std::u16string RewriteLineAnchors(std::u16string_view pattern);

}  // namespace platform
