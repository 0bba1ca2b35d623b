// SPDX-License-Identifier: Apache-2.0
#pragma once
// FindPattern: the first occurrence of a byte pattern in memory.
//
// Looks for the pattern's first two bytes 16 (SSE2) or 32 (AVX2) positions
// at a time (a pair occurs about once in 64 KiB of random bytes, where the
// first byte alone occurs every 256), then compares the rest. Every SimdPath
// gives the same offset.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/simd_dispatch.h"

namespace kw {

// Offset of the first occurrence of `pattern` (not empty) lying wholly in
// data[0, size), or `size` when there is none.
size_t FindPattern(const uint8_t* data, size_t size, std::string_view pattern);

// The same on a given path (for the tests that compare the paths).
size_t FindPatternOn(SimdPath path, const uint8_t* data, size_t size, std::string_view pattern);

}  // namespace kw
