// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/text_marks.h"

#include "formats/docx/numbering_xml.h"

namespace kw {

int32_t TextMarks::styleId(std::string_view name) {
  const std::string key(name);
  const auto found = styleIndex.find(key);
  if (found != styleIndex.end()) return found->second;
  if (styles.size() >= kMaxStyles) return -1;
  const auto id = static_cast<int32_t>(styles.size());
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
  std::string number = FormatListNumber(++count, mark.endnote ? NumberFormat::kLowerRoman : NumberFormat::kDecimal);
  numbers.emplace(mark.id, number);
  return number;
}

}  // namespace

void PlaceTextMarks(const TextMarks& marks, DocxNumberer* numberer, NoteNumbers* notes, std::string* text) {
  if (marks.marks.empty()) return;
  std::string out;
  out.reserve(text->size() + marks.marks.size() * 4);
  size_t from = 0;
  static const std::string kNoStyle;
  for (const TextMark& m : marks.marks) {
    if (m.at < from || m.at > text->size()) continue;  // out of order: never from the reader, kept safe
    out.append(*text, from, m.at - from);
    from = m.at;
    switch (m.kind) {
      case TextMarkKind::kParagraph:
        if (numberer != nullptr) {
          out += numberer->next(m.id, m.level,
                                m.style >= 0 && static_cast<size_t>(m.style) < marks.styles.size()
                                    ? marks.styles[static_cast<size_t>(m.style)]
                                    : kNoStyle);
        }
        break;
      case TextMarkKind::kNoteReference: out += NoteNumber(m, notes, true); break;
      case TextMarkKind::kNoteStart: out += NoteNumber(m, notes, false); break;
    }
  }
  out.append(*text, from, std::string::npos);
  text->swap(out);
}

}  // namespace kw
