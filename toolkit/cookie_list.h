// Cookie lists: texts of "name=value" items separated by ";", as sent in a Cookie header.
// No domain, path or expiry: an item is its name and value.
#pragma once

#include <string_view>

#include "runtime/array.h"
#include "runtime/text.h"

// Merges the cookies just received into the caller's list. Both texts lose every space;
// oldCookies then holds the received items in order, followed by the old items whose names
// were not received, joined by "; ", without items ending in "=deleted". Returns a copy of it.
Text MergeCookies(Text& oldCookies, Text& newCookies);

// The bytes before the first "=", trimmed; the whole item trimmed when it has none.
Text CookieName(std::string_view item);

// Whether an item of the split list has exactly this name (case counts).
bool CookieListHasName(const Array<Text>& list, std::string_view name);
