#include "base/job_state.h"

namespace kw {

std::string HexText(uint8_t byte) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  if (byte >= 16) text += kDigits[byte >> 4];
  text += kDigits[byte & 15];
  return text;
}

}  // namespace kw
