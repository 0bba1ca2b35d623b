// SPDX-License-Identifier: Apache-2.0
#pragma once
// QuickText: the translation of Quick Recovery's steps to UTF-8, in bulk.
//
// Each byte becomes its Windows-1252 character as UTF-8, except that 0x0B
// and 0x0D become "\r\n" and 0x00 becomes nothing. A run ends before the
// escape byte 0x25, whose pairs the caller handles.
//
// Runs of plain text (0x01-0x7F without 0x0B and 0x0D) are copied a vector
// at a time and runs of zero bytes skipped; the rest goes through one table
// (scalar and SSE2) or is worked out in vectors: 32 bytes at a time with
// AVX2, or 64 at a time where the CPU also has AVX-512 (BW, VBMI and VBMI2),
// which the AVX2 path then takes; 16 at a time with SSSE3 in the browser
// build, whose SSE2 path that is. Every SimdPath and kernel gives the same
// bytes and the same length.

#include <cstddef>
#include <cstdint>

#include "base/simd_dispatch.h"

namespace kw {

constexpr uint8_t kQuickEscape = 0x25;

// Room QuickTranslateRun may write for `size` input bytes: three per byte
// plus the slack of its sixteen-byte stores.
constexpr size_t QuickTextRoom(size_t size) { return 3 * size + 16; }

// Translates data[0, size) up to its first 0x25 byte (or its end) to *out,
// which has room for QuickTextRoom(size) bytes, and moves *out past what it
// wrote. Returns how many bytes it translated (the offset of that 0x25, or
// `size`).
size_t QuickTranslateRun(const uint8_t* data, size_t size, char** out);

// The same on a given path (for the tests that compare the paths).
size_t QuickTranslateRunOn(SimdPath path, const uint8_t* data, size_t size, char** out);

// The two kernels of the AVX2 path and the browser build's, for the tests
// that compare them.
enum class QuickKernel : uint8_t { kAvx2, kAvx512, kSsse3 };

// Whether this CPU (and build) runs `kernel`.
bool QuickKernelAvailable(QuickKernel kernel);

// The same with `kernel`; one the CPU lacks falls back to the SSE2 path.
size_t QuickTranslateRunWith(QuickKernel kernel, const uint8_t* data, size_t size, char** out);

}  // namespace kw
