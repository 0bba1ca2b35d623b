// SPDX-License-Identifier: Apache-2.0
#pragma once
// FindPattern: the first occurrence of a byte pattern in memory.
//
// Looks for the pattern's first two bytes sixteen positions at a time (a
// pair occurs about once in 64 KiB of random bytes, where the first byte
// alone occurs every 256), then compares the rest.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kw {

// Offset of the first occurrence of `pattern` (not empty) lying wholly in
// data[0, size), or `size` when there is none.
size_t FindPattern(const uint8_t* data, size_t size, std::string_view pattern);

}  // namespace kw
