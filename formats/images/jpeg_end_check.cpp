// SPDX-License-Identifier: Apache-2.0
#include "formats/images/jpeg_end_check.h"

namespace kw {

bool JpegEndCheckAccepts(const uint8_t* bytes, size_t available) {
  if (available < 3) return true;
  const uint8_t b5 = bytes[0], b6 = bytes[1], b7 = bytes[2];
  if (b5 == 0x44 && b6 == 0x00 && b7 == 0x64) return true;
  if (b5 == 0x00 && b6 == 0x00 && b7 == 0x00) return true;
  return (b5 == 0x14 || b5 == 0x0A) && b6 == 0x00;
}

}  // namespace kw
