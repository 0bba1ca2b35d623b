// SPDX-License-Identifier: Apache-2.0
#include "base/picture_record.h"

namespace kw {

std::string PictureRowText(size_t n, const PictureRecord& picture) {
  return "  Image #" + std::to_string(n) + "  >     " + std::to_string(picture.firstByte) + '|' +
         std::to_string(picture.lastByte) + '|' + picture.name + '|' + picture.ext;
}

}  // namespace kw
