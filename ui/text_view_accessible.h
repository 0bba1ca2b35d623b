// SPDX-License-Identifier: Apache-2.0
#pragma once
// What screen readers get of the text preview: a read-only, multi-line text
// with its content, caret and selection (Qt's accessibility text interface,
// which the desktop's bridge, AT-SPI on Linux, passes on). Offsets are in
// UTF-16 code units, as Qt counts; a sparse index of the text, made at the
// first question about a new text, turns them into the view's byte offsets.

namespace kw::ui {

class TextView;

// Registers the interface for every TextView (once).
void InstallTextViewAccessible();
// Tells screen readers that the caret moved.
void NotifyCaretMoved(TextView* view);

}  // namespace kw::ui
