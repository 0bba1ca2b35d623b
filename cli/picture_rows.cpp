// SPDX-License-Identifier: Apache-2.0
#include "cli/picture_rows.h"

namespace kw::cli {

std::string PictureListing(const std::vector<PictureRecord>& pictures) {
  std::string listing;
  for (size_t i = 0; i < pictures.size(); ++i) listing += PictureRowText(i + 1, pictures[i]) + '\n';
  return listing + "Found (" + std::to_string(pictures.size()) + ") Images\n";
}

}  // namespace kw::cli
