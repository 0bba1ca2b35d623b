// SPDX-License-Identifier: Apache-2.0
#include "web/wasm/job_json.h"

#include "base/damage_report.h"
#include "jobs/job_modes.h"

namespace kw::web {

namespace {

const char* EngineName(EngineKind engine) {
  switch (engine) {
    case EngineKind::kQuick: return "quick";
    case EngineKind::kSalvage: return "salvage";
    case EngineKind::kImages: return "images";
    case EngineKind::kDocx: return "docx";
    case EngineKind::kDeep: return "deep";
  }
  return "";
}

// The bytes a copy of the picture holds (0 for a range that ends before it begins).
int64_t PictureSize(const PictureRecord& p) {
  if (p.hasBytes) return static_cast<int64_t>(p.bytes.size());
  return p.lastByte >= p.firstByte ? p.lastByte - p.firstByte + 1 : 0;
}

}  // namespace

std::string JobJson(const JobResult& result, const TextStats& stats, JobMode mode) {
  std::string json = "{\"report\": ";
  json += result.damage.ToJson("", ModeEntryOf(mode).word, result.status);
  json += ", \"engine\": \"" + std::string(EngineName(result.engine)) + "\"";
  json += ", \"cancelled\": " + std::string(result.cancelled ? "true" : "false");
  json += ", \"paragraphs\": " + std::to_string(stats.paragraphs);
  json += ", \"characters\": " + std::to_string(stats.characters);
  json += ", \"notices\": [";
  for (size_t i = 0; i < result.notices.size(); ++i) json += (i ? ", " : "") + JsonString(result.notices[i]);
  json += "], \"pictures\": [";
  for (size_t i = 0; i < result.pictures.size(); ++i) {
    const PictureRecord& p = result.pictures[i];
    json += i ? ", " : "";
    json += "{\"first\": " + std::to_string(p.firstByte) + ", \"last\": " + std::to_string(p.lastByte) +
            ", \"own\": " + (p.hasBytes ? "true" : "false") + ", \"name\": " + JsonString(p.name) +
            ", \"ext\": " + JsonString(p.ext) + ", \"size\": " + std::to_string(PictureSize(p)) +
            ", \"partial\": " + (p.partial ? "true" : "false") + ", \"width\": " + std::to_string(p.width) +
            ", \"height\": " + std::to_string(p.height) + "}";
  }
  json += "]}";
  return json;
}

std::string PictureFactsJson(const PictureHeader& header, uint32_t crc) {
  const char* types[] = {"", "GIF", "JPEG", "PNG", "BMP"};
  const bool known = header.type > PictureHeader::kNone && header.type <= PictureHeader::kBmp;
  std::string json = "{\"type\": \"" + std::string(known ? types[header.type] : "") + "\"";
  if (known) {
    json += ", \"width\": " + std::to_string(header.width) + ", \"height\": " + std::to_string(header.height) +
            ", \"depth\": " + std::to_string(header.depth);
  }
  return json + ", \"crc\": " + std::to_string(crc) + "}";
}

}  // namespace kw::web
