#include "docx/tag_removal.h"

#include <optional>
#include <unordered_set>
#include <vector>

#include "docx/html_to_text.h"
#include "engine/yield_clock.h"

namespace kw {

namespace {

struct Span {
  size_t begin;
  size_t end;  // one past the ">"
};

struct TagLayout {
  std::vector<Span> tags;                       // each "<" with the first ">" after it
  size_t firstStray = std::string_view::npos;  // first ">" that closes no tag
};

// The tags of `text`, or nothing when two "<" come without a ">" between
// them. A last "<" with no ">" after it is no tag and never becomes one.
std::optional<TagLayout> ScanTags(std::string_view text) {
  TagLayout layout;
  size_t open = std::string_view::npos;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '<') {
      if (open != std::string_view::npos) return std::nullopt;
      open = i;
    } else if (c == '>') {
      if (open != std::string_view::npos) {
        layout.tags.push_back({open, i + 1});
        open = std::string_view::npos;
      } else if (layout.firstStray == std::string_view::npos) {
        layout.firstStray = i;
      }
    }
  }
  return layout;
}

}  // namespace

bool TagsCannotMerge(std::string_view text) { return ScanTags(text).has_value(); }

std::string RemoveTagsLiteral(std::string text, YieldClock* clock) {
  while (true) {
    const size_t a = text.find('<');
    const size_t b = text.find('>');
    if (a == std::string::npos || b == std::string::npos || b < a) return text;
    const std::string tag = text.substr(a, b - a + 1);
    text = ReplaceAll(text, tag, "");
    if (clock != nullptr) clock->tick();
  }
}

std::string RemoveTags(std::string text, YieldClock* clock) {
  const std::optional<TagLayout> layout = ScanTags(text);
  if (!layout) return RemoveTagsLiteral(std::move(text), clock);
  // Removing whole tags leaves every other tag as it was, so the rounds of
  // the loop only decide which distinct tag texts go: the first remaining
  // tag's, round after round, until a stray ">" comes before it.
  const std::string_view view(text);
  std::unordered_set<std::string_view> removed;
  for (const Span& tag : layout->tags) {
    const std::string_view tagText = view.substr(tag.begin, tag.end - tag.begin);
    if (removed.count(tagText) != 0) continue;
    if (layout->firstStray < tag.begin) break;
    removed.insert(tagText);
  }
  if (clock != nullptr) clock->tick();
  if (removed.empty()) return text;
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  for (const Span& tag : layout->tags) {
    if (removed.count(view.substr(tag.begin, tag.end - tag.begin)) == 0) continue;
    out.append(view.substr(pos, tag.begin - pos));
    pos = tag.end;
  }
  out.append(view.substr(pos));
  return out;
}

}  // namespace kw
