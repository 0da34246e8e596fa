// ByteBuffer: bytes in one heap block, the storage that bodies, files and byte arrays share, so
// that a downloaded body is handed from the HTTP exchange to the program's ByteArray without a
// copy.
//
// The block grows with the heap's realloc: the C library maps large blocks on their own (from
// 128 KiB, or up to 32 MiB as its threshold adapts) and grows those by remapping their pages
// rather than copying them into a second block, so a large body that arrives in pieces is never
// held twice; capacity reserved ahead of the bytes costs address space but no memory until it is
// written. Growth on request (TryReserve, TryAppend) answers false when the
// heap cannot supply it and leaves the buffer as it was: the size of a body is the server's to
// choose, and running out of memory for one must fail that exchange, not end the program. Every
// other allocation (a copy, the constructors) reaches the fatal heap report as any allocation
// does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace platform {

class ByteBuffer {
 public:
  ByteBuffer() = default;
  explicit ByteBuffer(std::string_view bytes);
  ByteBuffer(std::initializer_list<uint8_t> bytes);
  ByteBuffer(const ByteBuffer& other);
  ByteBuffer& operator=(const ByteBuffer& other);
  ByteBuffer(ByteBuffer&& other) noexcept;
  ByteBuffer& operator=(ByteBuffer&& other) noexcept;
  ~ByteBuffer();

  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  size_t capacity() const { return capacity_; }
  const uint8_t* begin() const { return data_; }
  const uint8_t* end() const { return data_ + size_; }
  std::string_view view() const { return {reinterpret_cast<const char*>(data_), size_}; }

  // Room for at least `capacity` bytes in all; false (nothing changed) when the heap cannot
  // supply it.
  [[nodiscard]] bool TryReserve(size_t capacity) noexcept;
  // The bytes appended, growing the block to exactly what they need when it is full; false
  // (nothing changed) when the heap cannot supply it. Callers that append in many small pieces
  // reserve ahead themselves.
  [[nodiscard]] bool TryAppend(const void* bytes, size_t count) noexcept;
  // Empty, with its block given back.
  void clear() noexcept;

  friend bool operator==(const ByteBuffer& a, const ByteBuffer& b) { return a.view() == b.view(); }

 private:
  void Assign(const void* bytes, size_t count);

  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace platform
