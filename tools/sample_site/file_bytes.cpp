#include "tools/sample_site/file_bytes.h"

namespace sample_site {

uint64_t Mix64(uint64_t value) {
  value += 0x9E3779B97F4A7C15ull;
  value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
  value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
  return value ^ (value >> 31);
}

std::string FileBytes(uint64_t seed, int itemNumber, size_t offset, size_t length) {
  const uint64_t fileKey = Mix64(seed ^ Mix64(static_cast<uint64_t>(itemNumber)));
  std::string bytes;
  bytes.reserve(length);
  for (size_t position = offset; position < offset + length;) {
    const uint64_t block = Mix64(fileKey + position / 8);
    for (size_t byte = position % 8; byte < 8 && position < offset + length; ++byte, ++position) {
      bytes.push_back(static_cast<char>(block >> (8 * byte)));
    }
  }
  return bytes;
}

uint64_t Fnv1a64(std::string_view bytes) {
  uint64_t hash = 0xCBF29CE484222325ull;
  for (unsigned char byte : bytes) {
    hash = (hash ^ byte) * 0x100000001B3ull;
  }
  return hash;
}

}  // namespace sample_site
