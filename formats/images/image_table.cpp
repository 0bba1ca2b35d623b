// SPDX-License-Identifier: Apache-2.0
#include "formats/images/image_table.h"

#include <algorithm>

namespace kw {

int64_t ListPictures(RecoveryJobState& job, JobContext& context, const PendingPairs& pending, PictureRecord::Kind kind,
                     std::string_view prefix, std::string_view extension) {
  const auto& pairs = pending.pairs();
  // Room for all that will be listed at once: a file packed with markers
  // lists 32,767 pictures, which growing one by one would move many times.
  const size_t room = static_cast<size_t>(std::max(0, kMaxImageEntries - job.iImageCount));
  context.pictures.reserve(context.pictures.size() + std::min(pairs.size(), room));
  for (size_t k = 0; k < pairs.size(); ++k) {
    if (job.iImageCount >= kMaxImageEntries) return static_cast<int64_t>(pairs.size() - k) + pending.beyond();
    ++job.iImageCount;
    PictureRecord picture;
    picture.kind = kind;
    picture.firstByte = pairs[k].first;
    picture.lastByte = pairs[k].second;
    picture.name = std::string(prefix) + std::to_string(k);
    picture.ext = extension;
    context.pictures.push_back(std::move(picture));
  }
  return pending.beyond();
}

}  // namespace kw
