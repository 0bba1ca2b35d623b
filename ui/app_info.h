// SPDX-License-Identifier: Apache-2.0
#pragma once
// The wizard's fixed texts that more than one window shows.

#include "base/version.h"

namespace kw::ui {

inline constexpr char kWindowTitle[] = "Kravelin Word Recovery v" KW_VERSION_MAJOR_MINOR;
inline constexpr char kProductName[] = "Kravelin Word Recovery";
inline constexpr char kVersionText[] = "Version " KW_VERSION_MAJOR_MINOR " Build " KW_VERSION_BUILD;
// The product web site (Help menu and About window).
inline constexpr char kSiteUrl[] = "https://www.example.com/kravelin/";

}  // namespace kw::ui
