// SPDX-License-Identifier: Apache-2.0
#pragma once
// The pieces every message to a user is made of.
//
// A message is one line: a file name is shown in double quotes with its
// control characters written out (\n, \t, \x1b, ...), so a name cannot break
// the line or drive a terminal. Bytes of other scripts pass as they are.

#include <string>
#include <string_view>

namespace kw {

// `name` with its control characters escaped (\n, \x1b).
std::string Escaped(std::string_view name);

// "NAME", escaped.
std::string Quoted(std::string_view name);

// strerror's text for `error` starting in lower case ("no such file or directory").
std::string ErrnoText(int error);

}  // namespace kw
