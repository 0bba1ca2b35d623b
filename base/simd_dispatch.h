// SPDX-License-Identifier: Apache-2.0
#pragma once
// SimdPath: which vector instructions the hot loops use, chosen once per
// process from what the CPU has.
//
// Every vectorised loop keeps a scalar path and gives byte-identical results
// on every path; SSE2 is the baseline (every x86-64 CPU has it), AVX2 is used
// when the CPU reports it. Tests and fuzzers force a path to compare them;
// a forced path the CPU lacks falls back to the best one it has.

#include <cstdint>

// KW_SSE2: the SSE2 paths compile here: on x86-64, and in the browser build,
// where emscripten turns SSE2 intrinsics into WebAssembly SIMD (-msse2).
#if defined(__x86_64__) || (defined(__EMSCRIPTEN__) && defined(__SSE2__))
#define KW_SSE2 1
#include <emmintrin.h>
#else
#define KW_SSE2 0
#endif

namespace kw {

enum class SimdPath : uint8_t { kScalar = 0, kSse2 = 1, kAvx2 = 2 };

// The widest path this CPU (and this build) supports.
SimdPath BestSimdPath();

// The path the loops use now: the forced one when set (capped at the best),
// else the best.
SimdPath ActiveSimdPath();

// Makes every loop use `path` (capped at BestSimdPath()) until
// ClearForcedSimdPath(). For tests and fuzzers; not for use while a job runs.
void ForceSimdPath(SimdPath path);
void ClearForcedSimdPath();

const char* SimdPathName(SimdPath path);

}  // namespace kw
