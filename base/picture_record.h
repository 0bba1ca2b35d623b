// SPDX-License-Identifier: Apache-2.0
#pragma once
// PictureRecord: one picture a job found, as every front end receives it.
//
// A picture is either a byte range of the source file (carved pictures: the
// 1-based positions of its first and last byte) or bytes the job produced
// itself (pictures inflated out of a package, which have no range in the
// file): held, or made again from the source by a PictureMaker each time
// they are needed, so that a job never holds a package's pictures. The name
// and extension are what a saved copy is called; the dimensions are 0 when
// the job did not read them. A picture that damage cut short is kept as far
// as it goes and marked partial.
//
// PictureRowText is the picture's record as a line, the one form in which
// the wizard's list and kwrecover's listing give it (the carved-image table's
// entry): "  Image #" n "  >     " firstByte "|" lastByte "|" name "|" ext,
// for instance "  Image #3  >     512|980|Grid0|png", n counting from 1.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/status.h"

namespace kw {

class SourceFile;
class YieldClock;

// Makes a picture's bytes again from the file the job read.
class PictureMaker {
 public:
  virtual ~PictureMaker() = default;
  virtual int64_t size() const = 0;
  // Reads `source` (the file that was scanned, open) and hands the bytes
  // to `out` in order, a piece at a time; the first error stops it.
  // `clock` (may be null) is ticked as it goes.
  virtual Status make(SourceFile& source, const std::function<Status(std::string_view)>& out,
                      YieldClock* clock) const = 0;
};

struct PictureRecord {
  enum class Kind { kJpeg, kPng, kGif, kBmp, kEmf, kWmf, kOther };

  Kind kind = Kind::kOther;
  // The range in the source (the carvers' start and end marks). A PNG pairs its
  // k-th start with its k-th end, so lastByte can come before firstByte;
  // such a picture has nothing to copy.
  int64_t firstByte = 0;
  int64_t lastByte = 0;
  // The picture itself when it is not a range of the source: `bytes`, or
  // what `maker` makes when one is set.
  std::string bytes;
  bool hasBytes = false;
  std::shared_ptr<const PictureMaker> maker;
  // How many bytes the picture has when it is not a range of the source.
  int64_t ownSize() const { return maker ? maker->size() : static_cast<int64_t>(bytes.size()); }
  std::string name;  // ImgName, such as "GridJ0"
  std::string ext;   // ImgExt, such as "jpg"
  int32_t width = 0;
  int32_t height = 0;
  bool partial = false;
  std::string reader;  // which reader found it, for the report ("doc", "doc-scan", ...); empty when not told
};

std::string PictureRowText(size_t n, const PictureRecord& picture);

}  // namespace kw
