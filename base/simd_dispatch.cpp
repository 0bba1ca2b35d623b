#include "base/simd_dispatch.h"

#include <algorithm>
#include <atomic>

namespace kw {

namespace {

// -1 while nothing is forced.
std::atomic<int> g_forced{-1};

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

}  // namespace

SimdPath BestSimdPath() {
  static const SimdPath best = Detect();
  return best;
}

SimdPath ActiveSimdPath() {
  const int forced = g_forced.load(std::memory_order_relaxed);
  if (forced < 0) return BestSimdPath();
  return static_cast<SimdPath>(std::min(forced, static_cast<int>(BestSimdPath())));
}

void ForceSimdPath(SimdPath path) { g_forced.store(static_cast<int>(path), std::memory_order_relaxed); }

void ClearForcedSimdPath() { g_forced.store(-1, std::memory_order_relaxed); }

const char* SimdPathName(SimdPath path) {
  switch (path) {
    case SimdPath::kScalar: return "scalar";
    case SimdPath::kSse2: return "sse2";
    case SimdPath::kAvx2: return "avx2";
  }
  return "?";
}

}  // namespace kw
