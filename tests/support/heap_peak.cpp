// SPDX-License-Identifier: Apache-2.0
#include "tests/support/heap_peak.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<int64_t> inUse{0};
std::atomic<int64_t> peak{0};

void* Counted(void* p) {
  if (p == nullptr) throw std::bad_alloc();
  const int64_t now = inUse += static_cast<int64_t>(malloc_usable_size(p));
  int64_t seen = peak.load();
  while (now > seen && !peak.compare_exchange_weak(seen, now)) {
  }
  return p;
}

void Release(void* p) {
  if (p == nullptr) return;
  inUse -= static_cast<int64_t>(malloc_usable_size(p));
  std::free(p);
}

void* Aligned(std::size_t n, std::align_val_t a) {
  const auto align = static_cast<std::size_t>(a);
  return Counted(std::aligned_alloc(align, (n + align - 1) / align * align));
}

}  // namespace

// Every form, the nothrow ones too: each allocation comes from malloc and
// goes back to free, as a sanitizer checks.
void* operator new(std::size_t n) { return Counted(std::malloc(n == 0 ? 1 : n)); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  void* p = std::malloc(n == 0 ? 1 : n);
  return p == nullptr ? nullptr : Counted(p);
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void* operator new(std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
  try {
    return Aligned(n, a);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t n, std::align_val_t a, const std::nothrow_t& t) noexcept {
  return operator new(n, a, t);
}
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { Release(p); }
void* operator new[](std::size_t n) { return Counted(std::malloc(n == 0 ? 1 : n)); }
void* operator new(std::size_t n, std::align_val_t a) { return Aligned(n, a); }
void* operator new[](std::size_t n, std::align_val_t a) { return Aligned(n, a); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { Release(p); }

namespace kw::test {

HeapPeak::HeapPeak() : base_(inUse.load()) { peak = base_; }

int64_t HeapPeak::bytes() const { return peak.load() - base_; }

}  // namespace kw::test
