// SPDX-License-Identifier: Apache-2.0
#include "base/crc32_table.h"

#include <array>
#include <cstring>

namespace kw {

namespace {

using Tables = std::array<std::array<uint32_t, 256>, 8>;

// Table k gives the CRC of a byte followed by k zero bytes.
constexpr Tables MakeTables() {
  Tables t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][i] = c;
  }
  for (size_t k = 1; k < 8; ++k) {
    for (size_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
  }
  return t;
}

constexpr Tables kTables = MakeTables();

uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

}  // namespace

uint32_t TableCrc32(uint32_t crc, const uint8_t* data, size_t size) {
  const Tables& t = kTables;
  crc = ~crc;
  for (; size >= 8; data += 8, size -= 8) {
    const uint32_t a = Le32(data) ^ crc;
    const uint32_t b = Le32(data + 4);
    crc = t[7][a & 0xFF] ^ t[6][(a >> 8) & 0xFF] ^ t[5][(a >> 16) & 0xFF] ^ t[4][a >> 24] ^ t[3][b & 0xFF] ^
          t[2][(b >> 8) & 0xFF] ^ t[1][(b >> 16) & 0xFF] ^ t[0][b >> 24];
  }
  for (; size > 0; ++data, --size) crc = t[0][(crc ^ *data) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

}  // namespace kw
