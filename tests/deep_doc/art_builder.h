// SPDX-License-Identifier: Apache-2.0
#pragma once
// Builders of the picture structures of a Word 97 file for the Deep
// Recovery tests: OfficeArt BLIP and store entry records, inline pictures
// (a PICF and its OfficeArt container), the drawing group of floating
// pictures, and a document that holds them (its character properties give
// each inline picture's place, its anchors each floating one's).

#include <cstdint>
#include <string>
#include <vector>

#include "tests/deep_doc/doc_builder.h"

namespace kw::test {

// An OfficeArt record: header (version, instance, type, length) and body.
std::string ArtRecord(uint16_t version, uint16_t instance, uint16_t type, const std::string& body);

// A BLIP record of a bitmap kind (type, one-UID instance) around `data`;
// `uidByte` fills its UID.
std::string BitmapBlip(uint16_t type, uint16_t instance, const std::string& data, char uidByte = 'u');
// A metafile BLIP (EMF 0xF01A/0x3D4, WMF 0xF01B/0x216, PICT 0xF01C/0x542),
// deflated when `deflate`; `extentEmu` its size.
std::string MetafileBlip(uint16_t type, uint16_t instance, const std::string& metafile, bool deflate,
                         int32_t extentEmu = 914400);
// A store entry with the BLIP inside it, or naming it at `delay` in the main stream.
std::string StoreEntry(uint8_t blipType, const std::string& blip, bool embedded, uint32_t delay = 0);

// A PICF of style `mm` followed by `payload` (for mm 0x64, an OfficeArt
// container: a shape, then records).
std::string Picf(uint16_t mm, const std::string& payload, int16_t xExt = 0, int16_t yExt = 0);
// An inline picture's OfficeArt payload: a shape (pib 1, `object` marks an
// embedded object's) and the given store entries.
std::string InlineArt(const std::string& entries, bool object = false);

struct PictureDoc {
  std::string text =
      "A\x01"
      "B\r";                         // the main text (8-bit pieces)
  std::vector<uint32_t> inlineAt;    // Data stream offsets of the inline pictures, in text order
  std::vector<uint32_t> inlineCp;    // the character each one stands at
  std::string data;                  // the Data stream ("" for none)
  std::string store;                 // the drawing group's store entries ("" for no drawing group)
  std::vector<uint32_t> floatingCp;  // per store entry, where its shape is anchored
  std::string delayed;               // bytes appended to the main stream (the store's delayed BLIPs)
  std::vector<std::pair<std::string, std::string>> extra;  // more streams (storages by "/")
};
// Where `delayed` starts in the main stream.
constexpr uint32_t kDelayedAt = 0x1200;
std::string BuildPictureDoc(const PictureDoc& doc, CfbLayout* layout);

// A PICF-wrapped metafile or bitmap for an older document.
std::string Deflate(const std::string& bytes);

}  // namespace kw::test
