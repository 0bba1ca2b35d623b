// SPDX-License-Identifier: Apache-2.0
#pragma once
// The picture list as kwrecover prints it: each picture's record as the
// wizard's list also gives it (PictureRowText), and after them the line
// "Found (n) Images".

#include <string>
#include <vector>

#include "base/picture_record.h"

namespace kw::cli {

std::string PictureListing(const std::vector<PictureRecord>& pictures);

}  // namespace kw::cli
