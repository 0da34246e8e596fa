#include "platform/codepage.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <pthread.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <span>

namespace platform {
namespace {

enum Direction { kGbkToUtf16, kUtf16ToGbk, kGbkToUtf8, kUtf8ToGbk, kDirections };

constexpr const char* kTargetOf[kDirections] = {"UTF-16LE", "CP936", "UTF-8", "CP936"};
constexpr const char* kSourceOf[kDirections] = {"CP936", "UTF-16LE", "CP936", "UTF-8"};

// One iconv descriptor per thread and direction, opened on the thread's first conversion that
// way: opening one costs far more than a short conversion, and a descriptor carries shift
// state, so it must not be shared between threads. They are held in plain thread-local storage
// and closed by a thread-specific key's destructor, not by a thread_local object's: registering
// such a destructor allocates, and glibc ends the process when it cannot.
thread_local iconv_t threadDescriptors[kDirections] = {};

void CloseThreadDescriptors(void* descriptors) {
  for (iconv_t& descriptor : std::span(static_cast<iconv_t*>(descriptors), kDirections)) {
    if (descriptor != nullptr) iconv_close(descriptor);
    descriptor = nullptr;
  }
}

std::optional<pthread_key_t> DescriptorsKey() {
  static const std::optional<pthread_key_t> key = []() -> std::optional<pthread_key_t> {
    pthread_key_t made;
    if (pthread_key_create(&made, &CloseThreadDescriptors) != 0) return std::nullopt;
    return made;
  }();
  return key;
}

// The calling thread's descriptor for the direction, or null when none can be had (iconv_open
// fails when memory is short): the conversion then fails as its contract says, and the next
// one tries again.
iconv_t ThreadDescriptor(Direction direction) {
  iconv_t& descriptor = threadDescriptors[direction];
  if (descriptor != nullptr) return descriptor;
  const std::optional<pthread_key_t> key = DescriptorsKey();
  if (!key) return nullptr;
  iconv_t opened = iconv_open(kTargetOf[direction], kSourceOf[direction]);
  if (opened == reinterpret_cast<iconv_t>(-1)) return nullptr;
  if (pthread_getspecific(*key) == nullptr && pthread_setspecific(*key, threadDescriptors) != 0) {
    iconv_close(opened);
    return nullptr;
  }
  descriptor = opened;
  return descriptor;
}

// Converts as much of [in, in + inLeft) as it can, handing the output to put piece by piece.
// Returns the errno of the stop (0 when everything was converted, EBADF with nothing used when
// there is no descriptor); in and inLeft are advanced past what was used.
template <typename Put>
int Convert(iconv_t descriptor, const char*& in, size_t& inLeft, Put&& put) {
  if (descriptor == nullptr) return inLeft == 0 ? 0 : EBADF;
  iconv(descriptor, nullptr, nullptr, nullptr, nullptr);
  char buffer[4096];
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t result = iconv(descriptor, const_cast<char**>(&in), &inLeft, &outPtr, &outLeft);
    put(std::string_view(buffer, static_cast<size_t>(outPtr - buffer)));
    if (result == static_cast<size_t>(-1) && errno != E2BIG) return errno;
  }
  return 0;
}

int Convert(iconv_t descriptor, const char*& in, size_t& inLeft, std::string& out) {
  return Convert(descriptor, in, inLeft, [&out](std::string_view piece) { out.append(piece); });
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
  const iconv_t descriptor = ThreadDescriptor(kGbkToUtf16);
  std::string converted;
  while (inLeft > 0) {
    converted.clear();
    int stop = Convert(descriptor, in, inLeft, converted);
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
  const iconv_t descriptor = ThreadDescriptor(kUtf16ToGbk);
  while (inLeft > 0) {
    int stop = Convert(descriptor, in, inLeft, result);
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

// The terminal's UTF-8 for a GBK text, piece by piece into put: a byte that iconv refuses
// becomes U+FFFD. Without a descriptor each ASCII byte stays as it is and each other character
// (the text routines' reading) becomes one U+FFFD, so that a line still shows its ASCII.
template <typename Put>
void ShowAsUtf8(iconv_t descriptor, std::string_view gbk, Put&& put) {
  constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
  if (descriptor == nullptr) {
    for (size_t i = 0; i < gbk.size(); i += IsDoubleByteLead(gbk[i]) ? 2 : 1) {
      put(IsDoubleByteLead(gbk[i]) ? kReplacement : gbk.substr(i, 1));
    }
    return;
  }
  const char* in = gbk.data();
  size_t inLeft = gbk.size();
  while (inLeft > 0) {
    if (Convert(descriptor, in, inLeft, put) != 0) {
      put(kReplacement);
      ++in;
      --inLeft;
    }
  }
}

// The fatal report's conversion, made when the program starts: the report may come when the
// heap is exhausted, when no descriptor can be opened. Only the thread that reports uses it,
// and no more than one thread ever reports.
struct ReportConversion {
  bool wantsGbk = false;
  iconv_t descriptor = nullptr;  // none: the report shows without one
};
constinit ReportConversion reportConversion;

[[maybe_unused]] const bool reportConversionMade = [] {
  reportConversion.wantsGbk = TerminalWantsGbk();
  if (!reportConversion.wantsGbk) {
    const iconv_t opened = iconv_open(kTargetOf[kGbkToUtf8], kSourceOf[kGbkToUtf8]);
    if (opened != reinterpret_cast<iconv_t>(-1)) reportConversion.descriptor = opened;
  }
  return true;
}();

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
  if (Convert(ThreadDescriptor(kGbkToUtf8), in, inLeft, result) != 0) return std::nullopt;
  return result;
}

std::string Utf8ToGbk(std::string_view utf8) {
  std::string result;
  const char* in = utf8.data();
  size_t inLeft = utf8.size();
  const iconv_t descriptor = ThreadDescriptor(kUtf8ToGbk);
  while (inLeft > 0) {
    if (Convert(descriptor, in, inLeft, result) != 0) {
      if (IsAscii(static_cast<unsigned char>(*in))) {  // only without a descriptor
        result.push_back(*in);
        ++in;
        --inLeft;
        continue;
      }
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

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string bytes;
  bytes.reserve(utf16.size());
  auto put = [&bytes](uint32_t byte) { bytes.push_back(static_cast<char>(byte)); };
  for (size_t i = 0; i < utf16.size(); ++i) {
    const char16_t unit = utf16[i];
    if (const std::optional<unsigned char> stray = StrayByteOf(unit)) {
      put(*stray);
      continue;
    }
    uint32_t code = unit;
    if (IsHighSurrogate(unit) && i + 1 < utf16.size() && IsLowSurrogate(utf16[i + 1])) {
      code = 0x10000 + ((unit - 0xD800u) << 10) + (utf16[i + 1] - 0xDC00u);
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      code = 0xFFFD;
    }
    if (code < 0x80) {
      put(code);
    } else if (code < 0x800) {
      put(0xC0 | (code >> 6));
      put(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      put(0xE0 | (code >> 12));
      put(0x80 | ((code >> 6) & 0x3F));
      put(0x80 | (code & 0x3F));
    } else {
      put(0xF0 | (code >> 18));
      put(0x80 | ((code >> 12) & 0x3F));
      put(0x80 | ((code >> 6) & 0x3F));
      put(0x80 | (code & 0x3F));
    }
  }
  return bytes;
}

std::string GbkToTerminal(std::string_view gbk) {
  if (TerminalWantsGbk()) return std::string(gbk);
  std::string result;
  ShowAsUtf8(ThreadDescriptor(kGbkToUtf8), gbk,
             [&result](std::string_view piece) { result.append(piece); });
  return result;
}

std::string_view GbkToTerminalForFatalReport(std::string_view gbk, std::span<char> out) noexcept {
  size_t used = 0;
  auto put = [out, &used](std::string_view piece) {
    const size_t taken = std::min(piece.size(), out.size() - used);
    std::memcpy(out.data() + used, piece.data(), taken);
    used += taken;
  };
  if (reportConversion.wantsGbk) {
    put(gbk);
  } else {
    ShowAsUtf8(reportConversion.descriptor, gbk, put);
  }
  return std::string_view(out.data(), used);
}

}  // namespace platform
