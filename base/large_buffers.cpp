// SPDX-License-Identifier: Apache-2.0
#include "base/large_buffers.h"

#include <cstdlib>  // for __GLIBC__, which any C library header defines where it applies
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kw {

void ReturnLargeBuffersToSystem() {
#if defined(__GLIBC__)
  constexpr int kLargeBuffer = 4 << 20;
  static_cast<void>(mallopt(M_MMAP_THRESHOLD, kLargeBuffer));  // set once, it no longer rises
#endif
}

}  // namespace kw
