#include "platform/codepage.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace platform {
namespace {

// One iconv descriptor per thread and direction: opening one costs far more than a short
// conversion, and a descriptor carries shift state, so it must not be shared between threads.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts as much of [in, in + inLeft) as it can, appending to out. Returns the errno of the
  // stop (0 when everything was converted); in and inLeft are advanced past what was used.
  int Convert(const char*& in, size_t& inLeft, std::string& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char buffer[4096];
    while (inLeft > 0) {
      char* outPtr = buffer;
      size_t outLeft = sizeof buffer;
      size_t result = iconv(cd_, const_cast<char**>(&in), &inLeft, &outPtr, &outLeft);
      out.append(buffer, outPtr - buffer);
      if (result == static_cast<size_t>(-1) && errno != E2BIG) return errno;
    }
    return 0;
  }

 private:
  iconv_t cd_;
};

Converter& GbkToUtf16Converter() {
  thread_local Converter converter("UTF-16LE", "CP936");
  return converter;
}
Converter& Utf16ToGbkConverter() {
  thread_local Converter converter("CP936", "UTF-16LE");
  return converter;
}
Converter& GbkToUtf8Converter() {
  thread_local Converter converter("UTF-8", "CP936");
  return converter;
}
Converter& Utf8ToGbkConverter() {
  thread_local Converter converter("CP936", "UTF-8");
  return converter;
}

void AppendUtf16Bytes(const std::string& bytes, std::u16string& out) {
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                        (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
}

bool TerminalWantsGbk() {
  static const bool wantsGbk = [] {
    // The user's locale, whether or not the program has called setlocale.
    locale_t userLocale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    if (userLocale == static_cast<locale_t>(0)) return false;
    const char* codeset = nl_langinfo_l(CODESET, userLocale);
    bool gbk = codeset != nullptr &&
               (std::strcmp(codeset, "GBK") == 0 || std::strcmp(codeset, "GB18030") == 0);
    freelocale(userLocale);
    return gbk;
  }();
  return wantsGbk;
}

// Converts a stretch that starts at a character boundary through iconv; a byte that starts no
// valid character travels as a unit of its own.
void AppendGbkAsUtf16(std::string_view gbk, std::u16string& result) {
  const char* in = gbk.data();
  size_t inLeft = gbk.size();
  std::string converted;
  while (inLeft > 0) {
    converted.clear();
    int stop = GbkToUtf16Converter().Convert(in, inLeft, converted);
    AppendUtf16Bytes(converted, result);
    if (stop != 0) {
      // An invalid or incomplete sequence: the first byte travels on its own.
      result.push_back(StrayByteUnit(static_cast<unsigned char>(*in)));
      ++in;
      --inLeft;
    }
  }
}

// Converts a stretch of units without a stray-byte unit.
void AppendUtf16AsGbk(std::u16string_view utf16, std::string& result) {
  const char* in = reinterpret_cast<const char*>(utf16.data());
  size_t inLeft = utf16.size() * 2;
  while (inLeft > 0) {
    int stop = Utf16ToGbkConverter().Convert(in, inLeft, result);
    if (stop != 0) {
      // A character GBK cannot hold: one '?' for the whole character.
      char16_t unit = *reinterpret_cast<const char16_t*>(in);
      size_t skip = IsHighSurrogate(unit) && inLeft >= 4 ? 4 : 2;
      result.push_back('?');
      in += skip;
      inLeft -= skip;
    }
  }
}

bool IsAscii(unsigned char byte) { return byte < 0x80; }

// The shape of a GBK double-byte character: a first byte 81..FE and a second byte 40..FE other
// than 7F. iconv takes such a pair as one character, as the text routines do.
bool HasGbkPairShape(char lead, char trail) {
  const auto first = static_cast<unsigned char>(lead);
  const auto second = static_cast<unsigned char>(trail);
  return first >= 0x81 && first <= 0xFE && second >= 0x40 && second <= 0xFE && second != 0x7F;
}

}  // namespace

// Pages and headers are mostly ASCII, which converts without iconv; only the stretches of
// double-byte characters between go through it.
std::u16string GbkToUtf16(std::string_view gbk) {
  std::u16string result;
  result.reserve(gbk.size());
  size_t i = 0;
  while (i < gbk.size()) {
    size_t asciiEnd = i;
    while (asciiEnd < gbk.size() && IsAscii(static_cast<unsigned char>(gbk[asciiEnd]))) ++asciiEnd;
    if (asciiEnd > i) {
      const size_t at = result.size();
      result.resize(at + (asciiEnd - i));
      std::copy(gbk.begin() + static_cast<ptrdiff_t>(i),
                gbk.begin() + static_cast<ptrdiff_t>(asciiEnd),
                result.begin() + static_cast<ptrdiff_t>(at));
      i = asciiEnd;
      continue;
    }
    // A stretch of characters that do not begin with an ASCII byte. Lead bytes 81..FE take the
    // byte after them as their second byte; 80 and FF stand alone.
    size_t end = i;
    while (end < gbk.size() && !IsAscii(static_cast<unsigned char>(gbk[end]))) {
      const auto lead = static_cast<unsigned char>(gbk[end]);
      end += lead == 0x80 || lead == 0xFF ? 1 : 2;
    }
    end = std::min(end, gbk.size());
    AppendGbkAsUtf16(gbk.substr(i, end - i), result);
    i = end;
  }
  return result;
}

std::string Utf16ToGbk(std::u16string_view utf16) {
  std::string result;
  result.reserve(utf16.size());
  size_t i = 0;
  while (i < utf16.size()) {
    const char16_t unit = utf16[i];
    if (unit < 0x80) {
      result.push_back(static_cast<char>(unit));
      ++i;
    } else if (const std::optional<unsigned char> stray = StrayByteOf(unit)) {
      result.push_back(static_cast<char>(*stray));
      ++i;
    } else if (IsLowSurrogate(unit) || (IsHighSurrogate(unit) &&
                                        (i + 1 >= utf16.size() || !IsLowSurrogate(utf16[i + 1])))) {
      result.push_back('?');  // a lone surrogate is no character
      ++i;
    } else {
      // A stretch of other characters (surrogate pairs whole) up to the next ASCII or stray unit.
      size_t end = i;
      while (end < utf16.size()) {
        const char16_t next = utf16[end];
        if (next < 0x80 || IsLowSurrogate(next)) break;
        if (IsHighSurrogate(next)) {
          if (end + 1 >= utf16.size() || !IsLowSurrogate(utf16[end + 1])) break;
          end += 2;
        } else {
          ++end;
        }
      }
      AppendUtf16AsGbk(utf16.substr(i, end - i), result);
      i = end;
    }
  }
  return result;
}

bool ReadsAsGbkCharacters(std::string_view gbk) {
  for (size_t i = 0; i < gbk.size(); ++i) {
    if (!IsDoubleByteLead(gbk[i])) continue;
    if (i + 1 >= gbk.size() || !HasGbkPairShape(gbk[i], gbk[i + 1])) return false;
    ++i;
  }
  return true;
}

std::optional<std::string> GbkToUtf8(std::string_view gbk) {
  std::string result;
  const char* in = gbk.data();
  size_t inLeft = gbk.size();
  if (GbkToUtf8Converter().Convert(in, inLeft, result) != 0) return std::nullopt;
  return result;
}

std::string Utf8ToGbk(std::string_view utf8) {
  std::string result;
  const char* in = utf8.data();
  size_t inLeft = utf8.size();
  while (inLeft > 0) {
    if (Utf8ToGbkConverter().Convert(in, inLeft, result) != 0) {
      // Skip the whole UTF-8 sequence that GBK cannot hold (or one bad byte).
      result.push_back('?');
      do {
        ++in;
        --inLeft;
      } while (inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
    }
  }
  return result;
}

std::string GbkToTerminal(std::string_view gbk) {
  if (TerminalWantsGbk()) return std::string(gbk);
  std::string result;
  const char* in = gbk.data();
  size_t inLeft = gbk.size();
  while (inLeft > 0) {
    if (GbkToUtf8Converter().Convert(in, inLeft, result) != 0) {
      result += "\xEF\xBF\xBD";
      ++in;
      --inLeft;
    }
  }
  return result;
}

}  // namespace platform
