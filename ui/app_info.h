// SPDX-License-Identifier: Apache-2.0
#pragma once
// The wizard's fixed texts that more than one window shows.

#include "base/version.h"

namespace kw::ui {

inline constexpr char kWindowTitle[] = "Kravelin Word Recovery v" KW_VERSION_MAJOR_MINOR;
inline constexpr char kProductName[] = "Kravelin Word Recovery";

}  // namespace kw::ui
