// SPDX-License-Identifier: Apache-2.0
#pragma once
// Test packages for the Deep Recovery .docx reader: a whole package built
// from entries, with its central directory, so that each test damages one
// thing on purpose; and a document long enough to span many deflate codes.

#include <string>
#include <vector>

#include "base/damage_report.h"
#include "base/picture_record.h"
#include "base/status.h"
#include "formats/docx/tolerant_inflate.h"
#include "tests/docx/zip_builder.h"

namespace kw::test {

// Local entries, then a central directory naming each, then the end record.
// `withDirectory` false leaves the directory out (a cut package).
std::string Package(const std::vector<LocalEntry>& entries, bool withDirectory = true);

// A document of `count` numbered paragraphs ("Paragraph 7 tells of ...").
std::string LongDocumentXml(int count);

// A small PNG of the given size (valid signature and IHDR; the data is not a real image).
std::string TinyPng(uint32_t width, uint32_t height);

struct DeepResult {
  Status status;
  std::string text;
  std::vector<PictureRecord> pictures;
  std::vector<std::string> pictureBytes;  // each picture's bytes, as its maker makes them
  DamageReport damage;
  // The reasons reported by `reader`, joined by newlines.
  std::string reasons(const std::string& reader) const;
};

// Writes `bytes` to a temporary file and reads it with ReadDocxDeep.
DeepResult ReadDeep(const std::string& bytes, const RepairBudget& repairs = RepairBudget());

}  // namespace kw::test
