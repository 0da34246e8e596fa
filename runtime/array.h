// Array: a one-dimensional, 1-based sequence. Reading or writing an element outside 1..count
// is a fatal run-time error, checked below 1 first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <source_location>
#include <utility>
#include <vector>

namespace runtime_detail {
// Raises fatal error 4 for index < 1, then fatal error 1 for index > count.
void CheckArrayIndex(int32_t index, int32_t count, const std::source_location& where);
}  // namespace runtime_detail

template <typename T>
class Array {
 public:
  Array() = default;
  Array(std::initializer_list<T> elements) : elements_(elements) {}

  int32_t Count() const { return static_cast<int32_t>(elements_.size()); }

  T& At(int32_t index, const std::source_location& where = std::source_location::current()) {
    runtime_detail::CheckArrayIndex(index, Count(), where);
    return elements_[static_cast<size_t>(index - 1)];
  }
  const T& At(int32_t index,
              const std::source_location& where = std::source_location::current()) const {
    runtime_detail::CheckArrayIndex(index, Count(), where);
    return elements_[static_cast<size_t>(index - 1)];
  }

  void Append(T element) { elements_.push_back(std::move(element)); }
  void Clear() { elements_.clear(); }

  auto begin() const { return elements_.begin(); }
  auto end() const { return elements_.end(); }

  friend bool operator==(const Array&, const Array&) = default;

 private:
  std::vector<T> elements_;
};
