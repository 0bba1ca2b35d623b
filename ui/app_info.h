#pragma once
// The wizard's fixed texts that more than one window shows.

namespace kw::ui {

inline constexpr char kWindowTitle[] = "Kravelin Word Recovery v5.1";
inline constexpr char kProductName[] = "Kravelin Word Recovery";
inline constexpr char kVersionText[] = "Version 5.1 Build 1810";
// The product web site (Help menu and About window).
inline constexpr char kSiteUrl[] = "https://www.example.com/kravelin/";

}  // namespace kw::ui
