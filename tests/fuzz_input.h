// FuzzInput: one fuzz input cut into the parts a fuzz target hands to the code under test. The
// parts are separated by kFuzzPartSeparator, a line of its own that no part can hold, so that a
// corpus file reads as the texts it stands for, one after another.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string_view>

inline constexpr std::string_view kFuzzPartSeparator = "\n%%\n";

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}

  // The bytes up to the next separator, or all that is left; "" once nothing is left.
  std::string_view Part() {
    const size_t end = rest_.find(kFuzzPartSeparator);
    const std::string_view part = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size()
                                                      : end + kFuzzPartSeparator.size());
    return part;
  }

  // The next part read as a decimal integer (an optional minus sign and digits); 0 when it does
  // not begin with one or leaves the 32-bit range.
  int32_t Number() {
    const std::string_view part = Part();
    int32_t value = 0;
    if (std::from_chars(part.data(), part.data() + part.size(), value).ec != std::errc()) return 0;
    return value;
  }

 private:
  std::string_view rest_;
};
