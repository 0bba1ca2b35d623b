// SPDX-License-Identifier: Apache-2.0
#pragma once
// What the page is told of a job and of a picture, as JSON the worker's
// script parses.

#include <cstdint>
#include <string>

#include "base/text_stats.h"
#include "formats/images/picture_header.h"
#include "jobs/job.h"

namespace kw::web {

// {"report": the damage report as `kwrecover --report` writes it (status,
//  message, damage, omitted), "engine", "cancelled", "paragraphs",
//  "characters", "notices": [...], "pictures": [{"first", "last" (the range
//  in the source), "own" (bytes of its own instead), "name", "ext",
//  "size", "partial", "width", "height"}]}
std::string JobJson(const JobResult& result, const TextStats& stats, JobMode mode);

// {"type": "JPEG" | "PNG" | "GIF" | "BMP" | "", "width", "height", "depth", "crc"}
// (width, height and depth only when the type is known).
std::string PictureFactsJson(const PictureHeader& header, uint32_t crc);

}  // namespace kw::web
