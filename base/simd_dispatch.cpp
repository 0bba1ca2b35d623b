// SPDX-License-Identifier: Apache-2.0
#include "base/simd_dispatch.h"

#include <algorithm>
#include <atomic>

namespace kw {

namespace {

SimdPath Detect() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return SimdPath::kAvx2;
#endif
#if defined(__SSE2__)
  return SimdPath::kSse2;
#else
  return SimdPath::kScalar;
#endif
}

// Set before main (a loop that runs earlier sees 0, the scalar path, which is
// as correct); read with one relaxed load per call.
const SimdPath g_best = Detect();
std::atomic<int> g_active{static_cast<int>(g_best)};

}  // namespace

SimdPath BestSimdPath() { return g_best; }

SimdPath ActiveSimdPath() { return static_cast<SimdPath>(g_active.load(std::memory_order_relaxed)); }

void ForceSimdPath(SimdPath path) {
  g_active.store(std::min(static_cast<int>(path), static_cast<int>(g_best)), std::memory_order_relaxed);
}

void ClearForcedSimdPath() { g_active.store(static_cast<int>(g_best), std::memory_order_relaxed); }

const char* SimdPathName(SimdPath path) {
  switch (path) {
    case SimdPath::kScalar: return "scalar";
    case SimdPath::kSse2: return "sse2";
    case SimdPath::kAvx2: return "avx2";
  }
  return "?";
}

}  // namespace kw
