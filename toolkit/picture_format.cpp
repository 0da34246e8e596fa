#include "toolkit/picture_format.h"

#include <cstdio>

#include "platform/codepage.h"

namespace {

void AppendDigits(Text& out, int32_t value, int width) {
  char digits[12];
  const int length = std::snprintf(digits, sizeof digits, "%0*d", width, value);
  out.append(digits, static_cast<size_t>(length));
}

}  // namespace

Text FormatPicture(const SystemTime& time, std::string_view picture, bool force24) {
  Text out;
  size_t i = 0;
  while (i < picture.size()) {
    const std::string_view rest = picture.substr(i);
    if (rest.starts_with("yyyy")) {
      AppendDigits(out, time.year, 4);
      i += 4;
    } else if (rest.starts_with("MM")) {
      AppendDigits(out, time.month, 2);
      i += 2;
    } else if (rest.starts_with("dd")) {
      AppendDigits(out, time.day, 2);
      i += 2;
    } else if (rest.starts_with("HH") || (force24 && rest.starts_with("hh"))) {
      AppendDigits(out, time.hour, 2);
      i += 2;
    } else if (rest.starts_with("hh")) {
      const int32_t twelve = time.hour % 12;
      AppendDigits(out, twelve == 0 ? 12 : twelve, 2);
      i += 2;
    } else if (rest.starts_with("mm")) {
      AppendDigits(out, time.minute, 2);
      i += 2;
    } else if (rest.starts_with("ss")) {
      AppendDigits(out, time.second, 2);
      i += 2;
    } else {
      // A double-byte character is copied whole, so that its second byte is never read as a
      // picture letter.
      const size_t length =
          platform::IsDoubleByteLead(picture[i]) && i + 1 < picture.size() ? 2 : 1;
      out.append(picture.substr(i, length));
      i += length;
    }
  }
  return out;
}
