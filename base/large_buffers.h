// SPDX-License-Identifier: Apache-2.0
#pragma once
// ReturnLargeBuffersToSystem: buffers of 4 MiB and more (a long text, the
// chunks of other documents' texts, a part's bytes) are mapped on their own
// and go back to the system as soon as they are freed.
//
// The C library otherwise raises its threshold for mapping a buffer on its
// own each time such a buffer is freed, so that later large buffers come
// from the heap, which keeps their pages after they are freed: a package of
// many damaged parts then held up to half its text again. A program calls
// this once at its start; where the C library has no such setting it does
// nothing.

namespace kw {

void ReturnLargeBuffersToSystem();

}  // namespace kw
