// SPDX-License-Identifier: Apache-2.0
// WordXmlText's marks (text_marks.h): a paragraph's list numbering
// (w:pPr/w:numPr, w:pStyle), note references (w:footnoteReference,
// w:endnoteReference; not those followed by a custom mark, which is text)
// and the mark at a note's start (w:footnoteRef, w:endnoteRef).
#include <algorithm>

#include "formats/docx/deep/numbering_xml.h"
#include "formats/docx/deep/word_xml_text.h"

namespace kw {

bool WordXmlText::markTag(std::string_view name, std::string_view raw, bool closing, bool empty) {
  if (name == "w:pPr") {
    if (propsChange_ == 0) inParaProps_ = !closing && !empty;
    return true;
  }
  if (name == "w:pPrChange") {
    if (closing) {
      if (propsChange_ > 0) --propsChange_;
    } else if (!empty) {
      ++propsChange_;
    }
    return true;
  }
  const bool props = inParaProps_ && propsChange_ == 0 && !closing;
  if (name == "w:pStyle") {
    if (props) paraStyle_ = marks_->styleId(XmlAttribute(raw, "w:val"));
    return true;
  }
  if (name == "w:numId") {
    if (props) paraNumId_ = XmlIntAttribute(raw, "w:val", -1);
    return true;
  }
  if (name == "w:ilvl") {
    if (props) paraLevel_ = static_cast<int8_t>(std::clamp(XmlIntAttribute(raw, "w:val", -1), -1, 9));
    return true;
  }
  const bool footnote = name == "w:footnoteReference" || name == "w:footnoteRef" || name == "w:footnote";
  if (!footnote && name != "w:endnoteReference" && name != "w:endnoteRef" && name != "w:endnote") return false;
  if (closing) return true;
  TextMark mark;
  mark.at = para_.size();
  mark.endnote = !footnote;
  if (name.size() > 9 && name.substr(name.size() - 9) == "Reference") {
    const std::string_view custom = XmlAttribute(raw, "w:customMarkFollows");
    if (custom == "1" || custom == "true" || custom == "on") return true;
    mark.kind = TextMarkKind::kNoteReference;
    mark.id = XmlIntAttribute(raw, "w:id", -1);
  } else if (name.back() == 'f') {  // the note's own mark
    if (note_ < 0 || noteIsEnd_ == footnote) return true;
    mark.kind = TextMarkKind::kNoteStart;
    mark.id = note_;
  } else {  // a note begins
    note_ = XmlIntAttribute(raw, "w:id", -1);
    noteIsEnd_ = !footnote;
    return true;
  }
  if (mark.id >= 0 && paraNotes_.size() < 4096) paraNotes_.push_back(mark);
  return true;
}

void WordXmlText::placeMarks(bool keep, size_t cut) {
  if (keep && marks_->marks.size() + paraNotes_.size() < TextMarks::kMaxMarks) {
    const size_t base = out_->size();
    if (paraNumId_ >= 0 || paraStyle_ >= 0) {
      TextMark mark;
      mark.at = base;
      mark.id = paraNumId_;
      mark.level = paraLevel_;
      mark.style = paraStyle_;
      marks_->marks.push_back(mark);
    }
    for (TextMark& m : paraNotes_) {
      m.at = base + (m.at > cut ? m.at - cut : 0);
      marks_->marks.push_back(m);
    }
  }
  paraNotes_.clear();
  paraNumId_ = -1;
  paraLevel_ = -1;
  paraStyle_ = -1;
  inParaProps_ = false;
}

}  // namespace kw
