// SPDX-License-Identifier: Apache-2.0
#pragma once
// TableCrc32: the CRC-32 of ZIP (reflected polynomial 0xEDB88320) computed
// eight bytes at a time through eight tables, for a build without zlib
// (zip_codec.h). Continues from `crc` (0 to start).

#include <cstddef>
#include <cstdint>

namespace kw {

uint32_t TableCrc32(uint32_t crc, const uint8_t* data, size_t size);

}  // namespace kw
