// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/pictures/drawing_group.h"

#include <algorithm>

#include "base/yield_clock.h"
#include "formats/doc/deep/stream_map.h"

namespace kw {

namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

constexpr uint16_t kDgg = 0xF000, kBStore = 0xF001, kDg = 0xF002, kSpgr = 0xF003, kSp = 0xF004;
constexpr uint16_t kFsp = 0xF00A, kFopt = 0xF00B, kSecondaryFopt = 0xF121, kTertiaryFopt = 0xF122;
constexpr uint16_t kPibProperty = 0x104;
constexpr uint32_t kOleShape = 0x10;
constexpr int kMaxDepth = 16;
constexpr size_t kSpaSize = 26;

bool ReadHeader(const StreamMap& map, int64_t at, int64_t end, ArtHeader* h) {
  uint8_t raw[kArtHeaderSize];
  if (at + int64_t(kArtHeaderSize) > end || map.read(at, raw, sizeof raw) < sizeof raw) return false;
  return ReadArtHeader(raw, sizeof raw, h);
}

// A shape container's own records: its FSP (id and flags) and its property
// tables (the picture it shows).
void ReadShape(const StreamMap& map, int64_t begin, int64_t end, ShapeRef* shape) {
  for (int64_t at = begin; at < end;) {
    ArtHeader h;
    if (!ReadHeader(map, at, end, &h)) return;
    const int64_t body = at + int64_t(kArtHeaderSize);
    if (h.type == kFsp && h.length >= 8) {
      uint8_t raw[8];
      map.read(body, raw, sizeof raw);
      shape->spid = U32(raw);
      shape->object = (U32(raw + 4) & kOleShape) != 0;
    } else if ((h.type == kFopt || h.type == kSecondaryFopt || h.type == kTertiaryFopt) && h.version == 3) {
      const uint32_t count = std::min<uint32_t>(h.instance, h.length / 6);
      std::vector<uint8_t> props(size_t(count) * 6);
      map.read(body, props.data(), props.size());
      for (uint32_t i = 0; i < count; ++i) {
        const uint16_t id = U16(props.data() + 6 * i);
        if ((id & 0x3FFF) == kPibProperty && (id & 0x4000) != 0) shape->pib = U32(props.data() + 6 * i + 2);
      }
    }
    at = body + int64_t(h.length);
  }
}

class Walker {
 public:
  Walker(const StreamMap& map, YieldClock* clock) : map_(map), clock_(clock) {}

  // Walks the records in [begin, end); containers are entered.
  void walk(int64_t begin, int64_t end, int depth) {
    for (int64_t at = begin; at < end;) {
      if (clock_ && (++records_ & 1023) == 0) {
        clock_->tick();
        if (clock_->stopped()) return;
      }
      ArtHeader h;
      if (!ReadHeader(map_, at, end, &h)) {
        damaged = at + int64_t(kArtHeaderSize) <= end || damaged;
        return;
      }
      const int64_t body = at + int64_t(kArtHeaderSize);
      const int64_t next = body + int64_t(h.length);
      if (next > end) damaged = true;
      record(h, at, body, std::min(next, end), depth);
      at = next;
    }
  }

  std::vector<StoreEntry> store;
  std::vector<ShapeRef> shapes;
  std::vector<int64_t> blips;
  bool sawShape = false;
  bool firstShapeObject = false;
  bool damaged = false;

 private:
  void record(const ArtHeader& h, int64_t at, int64_t body, int64_t end, int depth) {
    if (h.type == kArtBse) {
      uint8_t raw[kBseHeadRoom];
      const size_t got = map_.read(at, raw, sizeof raw);
      StoreEntry e;
      e.offset = at;
      if (ParseBse(raw, got, &e.bse)) {
        store.push_back(e);
      } else {
        damaged = true;
      }
      return;
    }
    if (h.type >= 0xF018 && h.type <= 0xF117) {
      blips.push_back(at);
      return;
    }
    if (h.version != 0xF || depth >= kMaxDepth) return;
    if (h.type == kSp) {
      ShapeRef shape;
      ReadShape(map_, body, end, &shape);
      if (!sawShape) firstShapeObject = shape.object;
      sawShape = true;
      if (shape.pib != 0 || shape.object) shapes.push_back(shape);
      return;
    }
    if (h.type == kDgg || h.type == kBStore || h.type == kDg || h.type == kSpgr) walk(body, end, depth + 1);
  }

  const StreamMap& map_;
  YieldClock* clock_;
  uint64_t records_ = 0;
};

}  // namespace

DrawingGroup ReadDrawingGroup(const StreamMap& table, uint32_t fc, uint32_t lcb, uint32_t fcSpa, uint32_t lcbSpa,
                              YieldClock* clock) {
  DrawingGroup group;
  const int64_t end = std::min<int64_t>(int64_t(fc) + lcb, table.size());
  if (lcb > 0 && int64_t(fc) + lcb > table.size()) group.damaged = true;
  // The drawing group, then each drawing after its one-byte label.
  int64_t at = fc;
  bool first = true;
  while (lcb > 0 && at + int64_t(kArtHeaderSize) <= end) {
    if (clock) {
      clock->tick();
      if (clock->stopped()) break;
    }
    ArtHeader h;
    if (!ReadHeader(table, at, end, &h)) break;
    if (!first && !(h.type == kDg && h.version == 0xF)) {
      ++at;  // the label before a drawing
      if (!ReadHeader(table, at, end, &h) || !(h.type == kDg && h.version == 0xF)) {
        group.damaged = true;
        break;
      }
    }
    if (h.version != 0xF || (h.type != kDgg && h.type != kDg)) {
      group.damaged = true;
      break;
    }
    first = false;
    const int64_t body = at + int64_t(kArtHeaderSize);
    const int64_t next = body + int64_t(h.length);
    Walker walker(table, clock);
    walker.walk(body, std::min(next, end), 1);
    group.damaged |= walker.damaged || next > end;
    group.store.insert(group.store.end(), walker.store.begin(), walker.store.end());
    for (ShapeRef s : walker.shapes) group.shapes.push_back(s);
    at = next;
  }
  // The anchors of the main text's shapes.
  // Within the bytes the table stream's sectors hold, not the size its damaged entry may claim.
  if (lcbSpa >= 4 + kSpaSize + 4 && int64_t(fcSpa) + lcbSpa <= table.locatedEnd()) {
    const uint32_t n = (lcbSpa - 4) / uint32_t(4 + kSpaSize);
    std::vector<uint8_t> raw(lcbSpa);
    table.read(fcSpa, raw.data(), raw.size());
    for (uint32_t i = 0; i < n; ++i) {
      ShapeAnchor a;
      a.cp = U32(raw.data() + 4 * i);
      a.spid = U32(raw.data() + 4 * (size_t(n) + 1) + kSpaSize * i);
      group.anchors.push_back(a);
    }
    std::stable_sort(group.anchors.begin(), group.anchors.end(),
                     [](const ShapeAnchor& x, const ShapeAnchor& y) { return x.cp < y.cp; });
  } else if (lcbSpa > 0) {
    group.damaged = true;
  }
  return group;
}

InlineArt ReadInlineArt(const StreamMap& stream, int64_t begin, int64_t end) {
  InlineArt art;
  Walker walker(stream, nullptr);
  walker.walk(begin, end, 1);
  art.entries = std::move(walker.store);
  art.blips = std::move(walker.blips);
  art.shapes = std::move(walker.shapes);
  art.object = walker.firstShapeObject;
  art.damaged = walker.damaged;
  return art;
}

}  // namespace kw
