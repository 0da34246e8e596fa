// ByteArray: a byte count and that many bytes; the value HTTP bodies and file contents travel
// in. Unlike a Text it may hold zero bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class ByteArray {
 public:
  ByteArray() = default;
  explicit ByteArray(std::string bytes) : bytes_(std::move(bytes)) {}
  explicit ByteArray(std::string_view bytes) : bytes_(bytes) {}
  ByteArray(const void* data, size_t size) : bytes_(static_cast<const char*>(data), size) {}

  std::string_view View() const { return bytes_; }
  const std::string& Bytes() const { return bytes_; }
  int32_t Size() const { return static_cast<int32_t>(bytes_.size()); }
  bool Empty() const { return bytes_.empty(); }
  void Append(std::string_view more) { bytes_.append(more); }

  friend bool operator==(const ByteArray&, const ByteArray&) = default;

 private:
  std::string bytes_;
};

// Byte arrays joined in order; empty parts add nothing.
template <typename... Parts>
ByteArray RtBytesConcat(const Parts&... parts) {
  ByteArray result;
  (result.Append(parts.View()), ...);
  return result;
}
