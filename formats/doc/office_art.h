// SPDX-License-Identifier: Apache-2.0
#pragma once
// OfficeArt records: the drawing layer of a Word document, which holds its
// pictures. Every record opens with an 8-byte header (version, instance,
// type, length); a picture is a BLIP record (JPEG, PNG, DIB, TIFF, EMF, WMF
// or PICT), either on its own or inside a BLIP store entry (FBSE), which may
// instead name where the BLIP lies in the main stream (its delay offset).
//
// These functions read only the bytes they are given and check every field
// they use: a record whose header does not hold up is no record.

#include <cstddef>
#include <cstdint>

#include "base/picture_record.h"

namespace kw {

struct ArtHeader {
  uint16_t version = 0;
  uint16_t instance = 0;
  uint16_t type = 0;
  uint32_t length = 0;  // bytes after the header
};

constexpr size_t kArtHeaderSize = 8;
constexpr uint16_t kArtSpContainer = 0xF004;
constexpr uint16_t kArtBse = 0xF007;

// False when fewer than 8 bytes are given.
bool ReadArtHeader(const uint8_t* p, size_t size, ArtHeader* header);

// The most bytes ParseBlip needs to see of a record (header included).
constexpr size_t kBlipHeadRoom = 8 + 32 + 34;

// What a BLIP record holds and where its picture starts.
struct BlipInfo {
  PictureRecord::Kind kind = PictureRecord::Kind::kOther;
  const char* ext = "bin";
  uint32_t dataOffset = 0;    // from the record's first byte (its header)
  uint32_t dataLength = 0;    // bytes stored (compressed, for a deflated metafile)
  bool metafile = false;      // EMF, WMF or PICT, with the metafile header
  bool deflated = false;      // stored compressed: inflates to rawSize bytes
  uint32_t rawSize = 0;       // a metafile's size once inflated
  int32_t bounds[4] = {};     // a metafile's bounds (left, top, right, bottom)
  int32_t extentEmu[2] = {};  // a metafile's size in EMUs
  bool dib = false;           // a DIB, written with a bitmap file header
  bool pict = false;          // a PICT, written after a 512-byte header
};

// Reads a BLIP record from its first `size` bytes (kBlipHeadRoom are enough).
// False when the record is no BLIP this reader knows (type and instance must
// match, the length must hold the fixed fields).
bool ParseBlip(const uint8_t* record, size_t size, BlipInfo* blip);

// A BLIP store entry (the part before its optional embedded BLIP).
struct BseInfo {
  uint8_t blipType = 0;     // the BLIP's type as the entry records it (btWin32)
  uint8_t uid[16] = {};     // identifies the picture: entries with the same one share it
  uint32_t size = 0;        // the BLIP record's size, header included
  uint32_t delay = 0;       // where the BLIP lies in the main stream, when not embedded
  uint32_t headLength = 0;  // the entry's bytes before an embedded BLIP, header included
  bool embedded = false;    // the BLIP follows inside the entry
};

constexpr size_t kBseHeadRoom = 8 + 36 + 255;

// Reads an FBSE record from its first `size` bytes.
bool ParseBse(const uint8_t* record, size_t size, BseInfo* bse);

}  // namespace kw
