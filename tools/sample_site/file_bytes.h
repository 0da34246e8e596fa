// The bytes of the site's archive files: a counter-based generator, so that any stretch of any
// file can be produced on its own (a 20 MB file is never held whole) and a test can compute the
// same bytes without asking the site.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sample_site {

// Bytes [offset, offset + length) of the file of item `itemNumber` on the site made with `seed`.
std::string FileBytes(uint64_t seed, int itemNumber, size_t offset, size_t length);

// The 64-bit FNV-1a hash, for listings that name a file's bytes without carrying them.
uint64_t Fnv1a64(std::string_view bytes);

// A 64-bit mixing step (splitmix64's finaliser); the site's other derived numbers come from it.
uint64_t Mix64(uint64_t value);

}  // namespace sample_site
