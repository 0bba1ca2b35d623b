// SPDX-License-Identifier: Apache-2.0
#pragma once
// The file headers a Word file leaves out of the pictures it stores: the
// bitmap file header of a DIB (so that it is a .bmp file), the placeable
// header of a Windows metafile (so that it opens at its size), and the
// 512-byte header of a PICT file. Each is made from the picture's own first
// bytes, which may be cut: every field read is checked against `size`.

#include <cstddef>
#include <cstdint>
#include <string>

namespace kw {

struct StoredPicture;

// The size of a DIB's info header (12, 40, 52, 56, 64, 108 or 124) when
// `dib` opens with a plausible one, else 0.
uint32_t DibHeaderSize(const uint8_t* dib, size_t size);

// True when `wmf` opens with a Windows metafile header (no placeable header).
bool BareWmfHeader(const uint8_t* wmf, size_t size);

// What is written before the picture's bytes (`first` are its first bytes as
// written after the head); empty when nothing is.
std::string PictureHead(const StoredPicture& picture, const uint8_t* first, size_t size);

// The picture's width and height in pixels where its first bytes give them
// (JPEG, PNG, DIB); left as they are otherwise.
void ReadPictureSize(const StoredPicture& picture, const uint8_t* first, size_t size, int32_t* width, int32_t* height);

}  // namespace kw
