// Helpers for tests that compare the program's GBK bytes with what the system prints.
#pragma once

#include <string>

// A UTF-8 literal as a byte string (the program's own literals are GBK).
inline std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }
