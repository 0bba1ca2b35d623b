// SPDX-License-Identifier: Apache-2.0
#pragma once
// The clear button Qt puts in a line edit (setClearButtonEnabled) comes
// without a name; NameClearButton gives it one, and a description, which
// screen readers say.

class QLineEdit;

namespace kw::ui {

void NameClearButton(QLineEdit* box);

}  // namespace kw::ui
