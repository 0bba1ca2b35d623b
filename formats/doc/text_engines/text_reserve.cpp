// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/text_engines/text_reserve.h"

#include <cstdint>
#include <new>
#include <stdexcept>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace kw {

void ReserveText(std::string& text, size_t bound) {
  try {
    text.reserve(bound);
  } catch (const std::bad_alloc&) {
    return;
  } catch (const std::length_error&) {
    return;
  }
#if defined(__linux__)
  // Large pages make the first touch of a large text cheap.
  constexpr uintptr_t kHuge = 2 << 20;
  if (text.capacity() >= 4 * kHuge) {
    const auto begin = (reinterpret_cast<uintptr_t>(text.data()) + kHuge - 1) & ~(kHuge - 1);
    const auto end = (reinterpret_cast<uintptr_t>(text.data()) + text.capacity()) & ~(kHuge - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
  }
#endif
}

}  // namespace kw
