// SPDX-License-Identifier: Apache-2.0
#pragma once
// PictureBytes: what kind of picture a byte string is, and its size.
//
// Recognises JPEG, PNG, GIF, BMP, EMF and WMF by their opening bytes, and
// reads the width and height where the header gives them (PNG IHDR, the
// first JPEG SOF marker, the GIF screen, the BMP info header). Reads only
// within the bytes given, so a cut picture is safe to look at.

#include <string_view>

#include "base/picture_record.h"

namespace kw {

// Sets kind, ext, width and height of *picture from `bytes`; false when the
// bytes open with no picture signature (the record is then left as it was).
bool IdentifyPicture(std::string_view bytes, PictureRecord* picture);

// The extension for a kind ("jpg", "png", ...; "bin" for kOther).
const char* PictureExtension(PictureRecord::Kind kind);

}  // namespace kw
