// SPDX-License-Identifier: Apache-2.0
#pragma once
// PictureRecord: one picture a job found, as every front end receives it.
//
// A picture is either a byte range of the source file (carved pictures: the
// 1-based positions of its first and last byte) or bytes the job produced
// itself (pictures inflated out of a package, which have no range in the
// file). The name and extension are what a saved copy is called; the
// dimensions are 0 when the job did not read them. A picture that damage cut
// short is kept as far as it goes and marked partial.
//
// PictureRowText is the picture's record as a line, the one form in which
// the wizard's list and kwrecover's listing give it (the carved-image table's
// entry): "  Image #" n "  >     " firstByte "|" lastByte "|" name "|" ext,
// for instance "  Image #3  >     512|980|Grid0|png", n counting from 1.

#include <cstddef>
#include <cstdint>
#include <string>

namespace kw {

struct PictureRecord {
  enum class Kind { kJpeg, kPng, kGif, kBmp, kEmf, kWmf, kOther };

  Kind kind = Kind::kOther;
  // The range in the source (the carvers' start and end marks). A PNG pairs its
  // k-th start with its k-th end, so lastByte can come before firstByte;
  // such a picture has nothing to copy.
  int64_t firstByte = 0;
  int64_t lastByte = 0;
  // The picture itself when it is not a range of the source.
  std::string bytes;
  bool hasBytes = false;
  std::string name;  // ImgName, such as "GridJ0"
  std::string ext;   // ImgExt, such as "jpg"
  int32_t width = 0;
  int32_t height = 0;
  bool partial = false;
};

std::string PictureRowText(size_t n, const PictureRecord& picture);

}  // namespace kw
