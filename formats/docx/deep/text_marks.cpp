// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/text_marks.h"

#include <algorithm>
#include <cstring>

#include "formats/docx/deep/numbering_xml.h"

namespace kw {

int16_t TextMarks::styleId(std::string_view name) {
  const std::string key(name);
  const auto found = styleIndex.find(key);
  if (found != styleIndex.end()) return found->second;
  if (styles.size() >= kMaxStyles) return -1;
  const auto id = static_cast<int16_t>(styles.size());
  styles.push_back(key);
  styleIndex.emplace(key, id);
  return id;
}

namespace {

std::string NoteNumber(const TextMark& mark, NoteNumbers* notes, bool assign) {
  auto& numbers = mark.endnote ? notes->endnotes : notes->footnotes;
  const auto found = numbers.find(mark.id);
  if (found != numbers.end()) return found->second;
  if (!assign) return "";
  int64_t& count = mark.endnote ? notes->endnoteCount : notes->footnoteCount;
  const int64_t start = mark.endnote ? notes->endnoteStart : notes->footnoteStart;
  std::string number = FormatListNumber(start + count++, mark.endnote ? notes->endnoteFormat : notes->footnoteFormat);
  numbers.emplace(mark.id, number);
  return number;
}

}  // namespace

void PlaceTextMarks(const TextMarks& marks, DocxNumberer* numberer, NoteNumbers* notes, std::string* text) {
  if (marks.marks.empty()) return;
  // The numbers in text order, then the text moved up to make room for
  // them, from its end: no second copy of a long text.
  static const std::string kNoStyle;
  std::string numbers;         // all of them, one after the other
  std::vector<uint32_t> ends;  // where each ends in `numbers`
  ends.reserve(marks.marks.size());
  for (const TextMark& m : marks.marks) {
    switch (m.kind) {
      case TextMarkKind::kParagraph:
        if (numberer != nullptr) {
          const auto style = static_cast<size_t>(m.style);
          numbers += numberer->next(m.id, m.level,
                                    m.style >= 0 && style < marks.styles.size() ? marks.styles[style] : kNoStyle);
        }
        break;
      case TextMarkKind::kNoteReference: numbers += NoteNumber(m, notes, true); break;
      case TextMarkKind::kNoteStart: numbers += NoteNumber(m, notes, false); break;
    }
    ends.push_back(static_cast<uint32_t>(numbers.size()));
  }
  const size_t added = numbers.size();
  if (added == 0) return;
  size_t end = text->size();  // the text not yet moved ends here
  text->resize(text->size() + added);
  char* data = text->data();
  size_t to = text->size();
  for (size_t i = marks.marks.size(); i-- > 0;) {
    const size_t at = std::min<size_t>(marks.marks[i].at, end);  // out of order: never from the reader, kept safe
    to -= end - at;
    std::memmove(data + to, data + at, end - at);
    end = at;
    const size_t begin = i == 0 ? 0 : ends[i - 1];
    to -= ends[i] - begin;
    std::memcpy(data + to, numbers.data() + begin, ends[i] - begin);
  }
}

}  // namespace kw
