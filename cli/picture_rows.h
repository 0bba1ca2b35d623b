// SPDX-License-Identifier: Apache-2.0
#pragma once
// The picture list as kwrecover prints it, the same lines the wizard's list
// shows: "  Image #" n "  >     " firstByte "|" lastByte "|" name "|" ext,
// for instance "  Image #3  >     512|980|Grid0|png", n counting from 1, and
// after them the line "Found (n) Images".

#include <string>
#include <vector>

#include "base/picture_record.h"

namespace kw::cli {

// The line of picture n (from 1), without its line end.
std::string PictureRow(size_t n, const PictureRecord& picture);
std::string PictureListing(const std::vector<PictureRecord>& pictures);

}  // namespace kw::cli
