// SPDX-License-Identifier: Apache-2.0
#pragma once
// ReserveText: room for a text that will grow to at most `bound` bytes, so
// that appending never moves it (a move of a few hundred MiB stalls the
// window and doubles the memory for a moment).
//
// Reserved room that is never written costs address space, not memory. When
// the bound cannot be reserved, the text grows as usual.

#include <cstddef>
#include <string>

namespace kw {

void ReserveText(std::string& text, size_t bound);

}  // namespace kw
