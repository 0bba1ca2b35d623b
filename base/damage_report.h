// SPDX-License-Identifier: Apache-2.0
#pragma once
// DamageReport: what the readers of a job skipped or cut, where and why.
//
// Damage is survived, and also reported: a reader that drops bytes (a ZIP
// header it rejects, a stream that fails its check, a picture whose end is
// never found) adds one entry saying where in the source (a 0-based offset
// and a length, 0 when unknown), which reader and why, in a sentence a user
// can act on. The report keeps the first kMaxEntries and counts the rest, so
// a file full of damage cannot make it grow without bound. ToJson() is the
// form `kwrecover --report` writes.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/picture_record.h"
#include "base/status.h"

namespace kw {

struct Damage {
  int64_t offset = 0;
  int64_t length = 0;
  std::string reader;  // "zip", "jpeg", "png", ...
  std::string reason;
};

class DamageReport {
 public:
  static constexpr size_t kMaxEntries = 10000;

  void add(int64_t offset, int64_t length, std::string_view reader, std::string reason);

  const std::vector<Damage>& entries() const { return entries_; }
  int64_t omitted() const { return omitted_; }  // entries beyond kMaxEntries
  bool empty() const { return entries_.empty(); }

  // {"source": ..., "mode": ..., "status": "ok"|"error", "message": ...,
  //  "damage": [{"offset", "length", "reader", "reason"}...], "omitted": n}
  // and, given `pictures`, "pictures": [{"file", "reader", "bytes",
  // "partial"}...] after "damage": which reader found each picture (a gap
  // in one is in "damage", under its file name).
  std::string ToJson(std::string_view source, std::string_view mode, std::string_view error,
                     const std::vector<PictureRecord>* pictures = nullptr) const;
  // The same for a job's status: "ok", "encrypted" for a password-protected
  // file (as the batch report says), else "error".
  std::string ToJson(std::string_view source, std::string_view mode, const Status& status,
                     const std::vector<PictureRecord>* pictures = nullptr) const;

 private:
  std::string json(std::string_view source, std::string_view mode, std::string_view status, std::string_view message,
                   const std::vector<PictureRecord>* pictures) const;

  std::vector<Damage> entries_;
  int64_t omitted_ = 0;
};

// `text` as a JSON string, quotes included; bytes that are not UTF-8 become U+FFFD.
std::string JsonString(std::string_view text);

}  // namespace kw
