// Site text on its way to the terminal or the log. A raw control byte there would break a
// report line in two, forge a line of its own or drive the user's terminal (ESC, BEL), so such
// text is shown with its control bytes escaped.
#pragma once

#include <string_view>

#include "runtime/text.h"

// 00..1F and 7F.
bool IsControlByte(char byte);

// The text with every control byte written as "\x" and two lower-case hex digits ("\x1b"). A
// first byte of a double-byte character whose second byte is a control byte, or which ends the
// text, is written so too: left raw, it would take the backslash of the escape, or the first
// byte of whatever follows the text, as its second byte. Every other byte is kept.
Text EscapeControlBytes(std::string_view text);
