// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/office_art.h"

#include <cstring>

namespace kw {

namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

using Kind = PictureRecord::Kind;

struct BlipType {
  uint16_t type;
  uint16_t instance;  // with one UID; the next value means two
  Kind kind;
  const char* ext;
  bool metafile;
};

// The record type and instance of every BLIP kind. A metafile has a 34-byte
// header after its UIDs; a bitmap has a one-byte tag.
constexpr BlipType kBlipTypes[] = {
    {0xF01A, 0x3D4, Kind::kEmf, "emf", true},    {0xF01B, 0x216, Kind::kWmf, "wmf", true},
    {0xF01C, 0x542, Kind::kOther, "pct", true},  {0xF01D, 0x46A, Kind::kJpeg, "jpg", false},
    {0xF01D, 0x6E2, Kind::kJpeg, "jpg", false},  {0xF02A, 0x6E2, Kind::kJpeg, "jpg", false},
    {0xF01E, 0x6E0, Kind::kPng, "png", false},   {0xF01F, 0x7A8, Kind::kBmp, "bmp", false},
    {0xF029, 0x6E4, Kind::kOther, "tif", false},
};

constexpr uint32_t kMetafileHeader = 34;

}  // namespace

bool ReadArtHeader(const uint8_t* p, size_t size, ArtHeader* h) {
  if (size < kArtHeaderSize) return false;
  const uint16_t vi = U16(p);
  h->version = vi & 0x0F;
  h->instance = vi >> 4;
  h->type = U16(p + 2);
  h->length = U32(p + 4);
  return true;
}

bool ParseBlip(const uint8_t* rec, size_t size, BlipInfo* blip) {
  ArtHeader h;
  if (!ReadArtHeader(rec, size, &h) || h.version != 0) return false;
  const BlipType* type = nullptr;
  for (const BlipType& t : kBlipTypes) {
    if (t.type == h.type && (h.instance == t.instance || h.instance == t.instance + 1)) type = &t;
  }
  if (type == nullptr) return false;
  *blip = BlipInfo{};
  blip->kind = type->kind;
  blip->ext = type->ext;
  blip->metafile = type->metafile;
  blip->dib = type->type == 0xF01F;
  blip->pict = type->type == 0xF01C;
  const uint32_t uids = h.instance == type->instance ? 16 : 32;
  const uint32_t fixed = uids + (type->metafile ? kMetafileHeader : 1);
  if (h.length < fixed || size < kArtHeaderSize + fixed) return false;
  blip->dataOffset = uint32_t(kArtHeaderSize) + fixed;
  blip->dataLength = h.length - fixed;
  if (!type->metafile) return blip->dataLength > 0;
  const uint8_t* m = rec + kArtHeaderSize + uids;
  blip->rawSize = U32(m);
  for (int i = 0; i < 4; ++i) blip->bounds[i] = int32_t(U32(m + 4 + 4 * i));
  blip->extentEmu[0] = int32_t(U32(m + 20));
  blip->extentEmu[1] = int32_t(U32(m + 24));
  const uint32_t saved = U32(m + 28);
  const uint8_t compression = m[32];
  if (compression == 0x00) {
    blip->deflated = true;
  } else if (compression != 0xFE) {
    return false;
  }
  // The stored size is the record's; a header that says otherwise is damaged
  // only when it claims more than the record holds.
  if (saved < blip->dataLength && saved > 0) blip->dataLength = saved;
  if (!blip->deflated) blip->rawSize = blip->dataLength;
  return blip->dataLength > 0 && blip->rawSize > 0;
}

bool ParseBse(const uint8_t* rec, size_t size, BseInfo* bse) {
  ArtHeader h;
  constexpr uint32_t kFixed = 36;
  if (!ReadArtHeader(rec, size, &h) || h.type != kArtBse || h.version != 2) return false;
  if (h.length < kFixed || size < kArtHeaderSize + kFixed) return false;
  const uint8_t* p = rec + kArtHeaderSize;
  *bse = BseInfo{};
  bse->blipType = p[0];
  std::memcpy(bse->uid, p + 2, sizeof bse->uid);
  bse->size = U32(p + 20);
  bse->delay = U32(p + 28);
  const uint8_t nameBytes = p[33];
  bse->headLength = uint32_t(kArtHeaderSize) + kFixed + nameBytes;
  bse->embedded = h.length >= kFixed + nameBytes + kArtHeaderSize;
  return true;
}

}  // namespace kw
