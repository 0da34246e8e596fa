#include "platform/byte_buffer.h"

#include <cstring>
#include <utility>

#include "platform/heap.h"

namespace platform {

ByteBuffer::ByteBuffer(std::string_view bytes) { Assign(bytes.data(), bytes.size()); }

ByteBuffer::ByteBuffer(std::initializer_list<uint8_t> bytes) {
  Assign(bytes.begin(), bytes.size());
}

ByteBuffer::ByteBuffer(const ByteBuffer& other) { Assign(other.data_, other.size_); }

ByteBuffer& ByteBuffer::operator=(const ByteBuffer& other) {
  if (this != &other) {
    ByteBuffer copy(other);
    *this = std::move(copy);
  }
  return *this;
}

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept {
  if (this != &other) {
    HeapFree(data_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

ByteBuffer::~ByteBuffer() { HeapFree(data_); }

void ByteBuffer::Assign(const void* bytes, size_t count) {
  if (count == 0) return;
  data_ = static_cast<uint8_t*>(HeapAllocate(count));
  std::memcpy(data_, bytes, count);
  size_ = capacity_ = count;
}

bool ByteBuffer::TryReserve(size_t capacity) noexcept {
  if (capacity <= capacity_) return true;
  void* grown = TryHeapReallocate(data_, capacity);
  if (grown == nullptr) return false;
  data_ = static_cast<uint8_t*>(grown);
  capacity_ = capacity;
  return true;
}

bool ByteBuffer::TryAppend(const void* bytes, size_t count) noexcept {
  if (count == 0) return true;
  if (count > capacity_ - size_ && (size_ + count < size_ || !TryReserve(size_ + count))) {
    return false;
  }
  std::memcpy(data_ + size_, bytes, count);
  size_ += count;
  return true;
}

void ByteBuffer::clear() noexcept {
  HeapFree(data_);
  data_ = nullptr;
  size_ = capacity_ = 0;
}

}  // namespace platform
