// SPDX-License-Identifier: Apache-2.0
#pragma once
// StoredPicture: a picture inside a Word file, kept as where its bytes lie
// in the file (spans, in order: a stream's sectors need not be neighbours)
// until it is written, so that a job holds no picture.
//
// The file written is `head` (a bitmap file header before a DIB, a
// placeable header before a bare Windows metafile, the 512-byte header of a
// PICT file), then the stored bytes, inflated when the writer compressed
// them. ProbeStoredPicture reads them once when the picture is found: it
// learns the size, checks what it can (a PNG's chunk checksums, a JPEG's
// end, that a compressed metafile inflates whole; a sector of zeros in a
// JPEG), and builds the head from the first bytes. StoredPictureMaker gives
// the same bytes again when the picture is written.

#include <cstdint>
#include <string>
#include <vector>

#include "base/picture_record.h"
#include "base/status.h"

namespace kw {

class SourceFile;
class YieldClock;

struct FileSpan {
  int64_t offset = 0;  // 0-based, in the source file
  int64_t length = 0;
};

// What the head of a metafile is made from.
struct MetafileHint {
  int32_t extentEmu[2] = {};       // its size in EMUs, when known
  int32_t extentHimetric[2] = {};  // its size in hundredths of a millimetre, when known
};

struct StoredPicture {
  PictureRecord::Kind kind = PictureRecord::Kind::kOther;
  std::string ext;
  std::vector<FileSpan> spans;
  int64_t stored = 0;  // bytes the picture's record says it has
  bool deflated = false;
  int64_t rawSize = 0;  // deflated: the size once inflated
  bool dib = false;     // add a bitmap file header
  bool pict = false;    // add the 512-byte PICT header
  MetafileHint hint;    // for a Windows metafile without its placeable header
  // Filled by ProbeStoredPicture:
  std::string head;
  int64_t size = 0;      // bytes the written file has
  bool partial = false;  // cut or damaged
  std::string problem;   // why it is partial, a sentence for the damage report
  int32_t width = 0;
  int32_t height = 0;
};

// Reads the picture once (see above). An I/O error only when the file cannot be read.
Status ProbeStoredPicture(SourceFile& file, YieldClock* clock, StoredPicture* picture);

// True when the first bytes of a picture of this kind look like one: used to
// reject records found by a scan that only look like pictures.
bool PlausiblePicture(const StoredPicture& picture, const uint8_t* first, size_t size);

class StoredPictureMaker final : public PictureMaker {
 public:
  explicit StoredPictureMaker(StoredPicture picture) : picture_(std::move(picture)) {}
  int64_t size() const override { return picture_.size; }
  Status make(SourceFile& source, const std::function<Status(std::string_view)>& out, YieldClock* clock) const override;

 private:
  StoredPicture picture_;
};

}  // namespace kw
