// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/pictures/picture_runs.h"

#include <algorithm>
#include <unordered_set>

#include "base/yield_clock.h"
#include "formats/doc/deep/stream_map.h"

namespace kw {

namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

constexpr uint16_t kSprmPicLocation = 0x6A03;
constexpr uint16_t kSprmFData = 0x0806;
constexpr uint16_t kSprmFOle2 = 0x080A;
constexpr size_t kPage = 512;
constexpr size_t kBlock = 64 << 10;

// The operand size of a Word 97 sprm at `p` (with `left` bytes from the
// operand on), or -1 when it does not fit.
int OperandSize(uint16_t sprm, const uint8_t* p, size_t left) {
  switch (sprm >> 13) {
    case 0:
    case 1: return 1;
    case 2:
    case 4:
    case 5: return 2;
    case 3: return 4;
    case 7: return 3;
    default: break;
  }
  if (sprm == 0xD608) return left >= 2 ? int(U16(p)) + 1 : -1;  // sprmTDefTable: a 2-byte size
  return left >= 1 ? int(p[0]) + 1 : -1;
}

// Reads one property list; true when it gives a picture location.
bool ParseChpx(const uint8_t* g, size_t n, PictureRun* run) {
  bool found = false;
  for (size_t at = 0; at + 2 <= n;) {
    const uint16_t sprm = U16(g + at);
    const int size = OperandSize(sprm, g + at + 2, n - at - 2);
    if (size < 0 || at + 2 + size_t(size) > n) break;
    const uint8_t* op = g + at + 2;
    if (sprm == kSprmPicLocation) {
      run->location = U32(op);
      found = true;
    } else if (sprm == kSprmFOle2) {
      run->object = op[0] != 0;
    } else if (sprm == kSprmFData) {
      run->formData = op[0] != 0;
    }
    at += 2 + size_t(size);
  }
  return found;
}

}  // namespace

PictureRunList FindPictureRuns(const StreamMap& table, const StreamMap& main, uint32_t fcBte, uint32_t lcbBte,
                               YieldClock* clock) {
  PictureRunList list;
  // Within the bytes the table stream's sectors hold, not the size its damaged entry may claim.
  if (lcbBte < 12 || int64_t(fcBte) + lcbBte > table.locatedEnd()) {
    list.tableLost = lcbBte > 0;
    return list;
  }
  const uint64_t count = (lcbBte - 4) / 8;
  const int64_t pns = int64_t(fcBte) + 4 * int64_t(count + 1);
  std::unordered_set<uint32_t> seen;
  std::vector<uint8_t> block;
  uint8_t page[kPage];
  for (uint64_t i = 0; i < count; ++i) {
    if ((i & 255) == 0 && clock) {
      clock->tick();
      if (clock->stopped()) break;
    }
    // The page numbers a block at a time.
    const int64_t at = pns + 4 * int64_t(i);
    const uint64_t inBlock = i % (kBlock / 4);
    if (inBlock == 0) {
      block.assign(kBlock, 0);
      table.read(at, block.data(), std::min<size_t>(kBlock, size_t(4 * (count - i))));
    }
    const uint32_t pn = U32(block.data() + 4 * inBlock) & 0x3FFFFF;
    if (!seen.insert(pn).second) continue;
    if (main.read(int64_t(pn) * int64_t(kPage), page, kPage) < kPage) {
      ++list.damagedPages;
      continue;
    }
    const uint8_t crun = page[kPage - 1];
    if (crun == 0 || 4 * (size_t(crun) + 1) + crun > kPage - 1) {
      ++list.damagedPages;
      continue;
    }
    for (size_t r = 0; r < crun; ++r) {
      const size_t offset = size_t(page[4 * (size_t(crun) + 1) + r]) * 2;
      if (offset == 0) continue;
      if (offset >= kPage - 1 || offset + 1 + page[offset] > kPage - 1) {
        ++list.damagedPages;
        break;
      }
      PictureRun run;
      run.fc = U32(page + 4 * r);
      if (ParseChpx(page + offset + 1, page[offset], &run)) list.runs.push_back(run);
    }
  }
  std::stable_sort(list.runs.begin(), list.runs.end(),
                   [](const PictureRun& a, const PictureRun& b) { return a.fc < b.fc; });
  return list;
}

}  // namespace kw
