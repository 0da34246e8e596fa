// ByteArray: a byte count and that many bytes; the value HTTP bodies and file contents travel
// in. Unlike a Text it may hold zero bytes. Its storage is the platform's byte buffer, which the
// automation layer's variants also hold, so a body read from a request object moves into a
// ByteArray without a copy.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/byte_buffer.h"
#include "platform/heap.h"

class ByteArray {
 public:
  ByteArray() = default;
  explicit ByteArray(std::string_view bytes) : bytes_(bytes) {}
  ByteArray(const void* data, size_t size)
      : bytes_(std::string_view(static_cast<const char*>(data), size)) {}
  explicit ByteArray(platform::ByteBuffer bytes) : bytes_(std::move(bytes)) {}

  std::string_view View() const { return bytes_.view(); }
  const platform::ByteBuffer& Buffer() const { return bytes_; }
  // Never more than the largest count the value can hold: the HTTP exchange refuses longer
  // bodies.
  int32_t Size() const { return static_cast<int32_t>(bytes_.size()); }
  bool Empty() const { return bytes_.empty(); }
  void Append(std::string_view more) {
    if (!bytes_.TryAppend(more.data(), more.size())) {
      platform::RaiseOutOfMemory(bytes_.size() + more.size());
    }
  }

  friend bool operator==(const ByteArray&, const ByteArray&) = default;

 private:
  platform::ByteBuffer bytes_;
};

// Byte arrays joined in order; empty parts add nothing.
template <typename... Parts>
ByteArray RtBytesConcat(const Parts&... parts) {
  ByteArray result;
  (result.Append(parts.View()), ...);
  return result;
}
