// Conversions between the program's GBK texts and the encodings of the systems around it.
//
// Texts inside the program are GBK (code page 936) byte strings. Automation calls take UTF-16,
// file names and the terminal take UTF-8. Downloaded pages are not always valid GBK, so the
// UTF-16 conversion is lossless: a byte that does not start a valid GBK character becomes one
// UTF-16 unit of its own (StrayByteUnit), and that unit converts back to the same byte. Every
// character still counts as one unit.
//
// Each thread opens its own converters on first use. A thread that cannot get one (its memory
// is short) converts with none, as if no character but ASCII could be converted: the result is
// each function's result for a text it cannot convert, as stated below, and never an exception.
#pragma once

#include <concepts>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace platform {

constexpr bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The unit that a stray byte travels as: U+DC00 + the byte, a lone low surrogate that no real
// text carries. Only bytes of 0x80 or more can be stray (ASCII bytes are characters of their
// own), so the units are U+DC80 to U+DCFF.
constexpr char16_t StrayByteUnit(unsigned char byte) {
  return static_cast<char16_t>(0xDC00 + byte);
}
// The byte that a unit stands for, when it is a stray-byte unit.
constexpr std::optional<unsigned char> StrayByteOf(char16_t unit) {
  if (unit < StrayByteUnit(0x80) || unit > StrayByteUnit(0xFF)) return std::nullopt;
  return static_cast<unsigned char>(unit - StrayByteUnit(0));
}

// The program's reading of a GBK text, the one every text routine steps by: a byte of 0x80 or
// more begins a double-byte character that takes the byte after it; any other byte is a
// character of its own.
constexpr bool IsDoubleByteLead(char byte) { return static_cast<unsigned char>(byte) >= 0x80; }

// A-Z as a-z, every other unit as it is: the one case folding of the program's texts, GBK bytes
// (it leaves the bytes of double-byte characters alone) and UTF-16 units alike (names that
// automation finds without regard to case).
template <typename Unit>
requires std::same_as<Unit, char> || std::same_as<Unit, char16_t>
constexpr Unit FoldAsciiCase(Unit unit) {
  return unit >= Unit{'A'} && unit <= Unit{'Z'} ? static_cast<Unit>(unit + ('a' - 'A')) : unit;
}

// Without a converter every byte of 0x80 or more travels as a stray byte: still lossless.
std::u16string GbkToUtf16(std::string_view gbk);

// Characters that GBK cannot hold become '?', as the Windows conversion does.
std::string Utf16ToGbk(std::u16string_view utf16);

// Whether the text routines' reading of the text (IsDoubleByteLead) and code page 936's agree,
// character by character: every double-byte character of that reading has a GBK character's
// shape (first byte 81..FE, second byte 40..FE but 7F). Where they differ, a check made on the
// text sees other characters than a name made from it would hold: 80 2F is one character to the
// text routines, but a euro sign and a "/" to the code page; a first byte at the end takes the
// byte after the text. A text from the site is checked with this before it names a file.
bool ReadsAsGbkCharacters(std::string_view gbk);

// For file names: a text that is not valid GBK (code page 936) gives nothing, never a mangled
// name.
std::optional<std::string> GbkToUtf8(std::string_view gbk);

// For paths and names read from the system; characters GBK cannot hold become '?'.
std::string Utf8ToGbk(std::string_view utf8);

// For addresses sent to a server, with no converter needed: a stray-byte unit becomes the byte
// it stands for, so that an address taken from a page goes out with the page's bytes; any
// other lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

// For the terminal: GBK itself when the locale's charset is GBK or GB18030, UTF-8 otherwise.
// Stray bytes become U+FFFD so that the rest of a line still shows; without a converter every
// character but ASCII does.
std::string GbkToTerminal(std::string_view gbk);

// GbkToTerminal for the fatal report, which may come when the heap is exhausted: into out,
// allocating nothing and opening nothing (its one converter is opened when the program starts),
// and throwing nothing. No two threads may call it at once. out takes three bytes for each byte
// of gbk, the most that a byte can become; the text is cut where out is full.
std::string_view GbkToTerminalForFatalReport(std::string_view gbk, std::span<char> out) noexcept;

}  // namespace platform
