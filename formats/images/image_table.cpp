#include "formats/images/image_table.h"

namespace kw {

std::string ImageEntryText(int32_t n, int32_t sMark, int32_t eMark, std::string_view ImgName, std::string_view ImgExt) {
  std::string text = "  Image #" + std::to_string(n) + "  >     ";
  text += std::to_string(sMark);
  text += '|';
  text += std::to_string(eMark);
  text += '|';
  text += ImgName;
  text += '|';
  text += ImgExt;
  return text;
}

bool ParseImageEntry(std::string_view entryText, ImageEntry* entry) {
  const size_t marker = entryText.find('>');
  if (marker == std::string_view::npos) return false;
  std::string_view fields = entryText.substr(marker + 1);
  fields = fields.substr(0, fields.find('>'));
  const size_t first = fields.find_first_not_of(' ');
  if (first == std::string_view::npos) return false;
  fields = fields.substr(first, fields.find_last_not_of(' ') - first + 1);
  std::string* const targets[] = {&entry->sMark, &entry->eMark, &entry->ImgName, &entry->ImgExt};
  std::string pieces[4];
  for (int i = 0; i < 4; ++i) {
    const size_t bar = fields.find('|');
    if (bar == std::string_view::npos && i < 3) return false;
    pieces[i] = std::string(fields.substr(0, bar));
    fields = bar == std::string_view::npos ? std::string_view() : fields.substr(bar + 1);
  }
  for (int i = 0; i < 4; ++i) *targets[i] = std::move(pieces[i]);
  return true;
}

int64_t ListPictures(RecoveryJobState& job, WizardView& host, const PendingPairs& pending, std::string_view prefix,
                     std::string_view extension) {
  const auto& pairs = pending.pairs();
  for (size_t k = 0; k < pairs.size(); ++k) {
    if (job.iImageCount >= kMaxImageEntries) return static_cast<int64_t>(pairs.size() - k) + pending.beyond();
    ++job.iImageCount;
    const std::string name = std::string(prefix) + std::to_string(k);
    host.addPictureEntry(ImageEntryText(job.iImageCount, pairs[k].first, pairs[k].second, name, extension));
  }
  return pending.beyond();
}

}  // namespace kw
