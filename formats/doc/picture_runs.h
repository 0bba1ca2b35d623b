// SPDX-License-Identifier: Apache-2.0
#pragma once
// PictureRuns: the runs of a Word 97 document's text that hold a picture
// character, from its character properties (the bin table in the table
// stream, whose pages lie in the main stream): each run whose properties
// give a picture location (sprmCPicLocation), with whether it is an
// embedded object (sprmCFOle2) or form field data (sprmCFData).
//
// Each property page is read once however many entries name it; a page or
// a property list that does not hold up is skipped and counted.

#include <cstdint>
#include <vector>

namespace kw {

class StreamMap;
class YieldClock;

struct PictureRun {
  uint32_t fc = 0;        // where the run starts in the main stream
  uint32_t location = 0;  // the picture's offset in the Data stream (an object's id for an embedded object)
  bool object = false;    // an embedded object
  bool formData = false;  // form field data, not a picture
};

struct PictureRunList {
  std::vector<PictureRun> runs;  // in the order of their fc
  int damagedPages = 0;          // pages skipped
  bool tableLost = false;        // the bin table lies outside its stream
};

PictureRunList FindPictureRuns(const StreamMap& table, const StreamMap& main, uint32_t fcBte, uint32_t lcbBte,
                               YieldClock* clock);

}  // namespace kw
