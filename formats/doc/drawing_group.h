// SPDX-License-Identifier: Apache-2.0
#pragma once
// DrawingGroup: a Word 97 document's floating drawings, from the OfficeArt
// content in its table stream: the picture store (one FBSE record per
// picture, the BLIP embedded in it or in the main stream at its delay
// offset), the shapes of every drawing with the store entry each one shows
// (its pib property) and whether it is an embedded object, and the main
// text's anchors (which shape stands at which character).
//
// Records are walked through their headers only, a few bytes each; a record
// whose length runs past its container ends the walk of that container, and
// the damage is noted.

#include <cstdint>
#include <string>
#include <vector>

#include "formats/doc/office_art.h"

namespace kw {

class StreamMap;
class YieldClock;

struct StoreEntry {
  int64_t offset = 0;  // the FBSE record's offset in the table stream
  BseInfo bse;
};

struct ShapeRef {
  uint32_t spid = 0;
  uint32_t pib = 0;  // 1-based store entry; 0 when the shape shows no picture
  bool object = false;
};

struct ShapeAnchor {
  uint32_t cp = 0;
  uint32_t spid = 0;
};

struct DrawingGroup {
  std::vector<StoreEntry> store;
  std::vector<ShapeRef> shapes;
  std::vector<ShapeAnchor> anchors;  // in character order
  bool damaged = false;              // a record did not hold up
};

// The OfficeArt content at [fc, fc + lcb) of the table stream, and the
// anchors at [fcSpa, fcSpa + lcbSpa).
DrawingGroup ReadDrawingGroup(const StreamMap& table, uint32_t fc, uint32_t lcb, uint32_t fcSpa, uint32_t lcbSpa,
                              YieldClock* clock);

// The records of an inline picture's container at [begin, end) of `stream`:
// the FBSE records (with their BLIPs) and BLIP records after its shape, and
// whether the shape is an embedded object.
struct InlineArt {
  std::vector<StoreEntry> entries;  // FBSE records
  std::vector<int64_t> blips;       // BLIP records not inside an FBSE
  std::vector<ShapeRef> shapes;     // its shapes that show a store entry of the drawing group
  bool object = false;
  bool damaged = false;
};
InlineArt ReadInlineArt(const StreamMap& stream, int64_t begin, int64_t end);

}  // namespace kw
