// SPDX-License-Identifier: Apache-2.0
#pragma once
// Package parts: what each entry of a .docx package is, by its name and, when
// the name is lost or unknown, by its content.
//
// The text parts are the main document (w:document), headers (w:hdr),
// footers (w:ftr), footnotes, endnotes and comments; their order here is the
// order in which their text is given. The officeDocument relationship in
// _rels/.rels names the main document when it is not word/document.xml.

#include <string>
#include <string_view>

namespace kw {

enum class PartRole { kMain, kHeader, kFooter, kFootnotes, kEndnotes, kComments, kPackageRels, kMedia, kOther };

// The role a name gives: "word/document.xml" is kMain, "word/header2.xml"
// kHeader, "word/media/image1.png" kMedia, ...; kOther when the name says
// nothing (or is empty).
PartRole RoleByName(std::string_view name);

// The role the root element of an XML part gives (w:document with a w:body,
// w:hdr, w:ftr, w:footnotes, w:endnotes, w:comments); kOther otherwise.
// `xml` is the part's start.
PartRole RoleByContent(std::string_view xml);

// The part the officeDocument relationship of _rels/.rels names, without a
// leading "/" ("" when there is none).
std::string OfficeDocumentTarget(std::string_view relsXml);

// True for roles whose text is recovered.
inline bool IsTextRole(PartRole role) { return role <= PartRole::kComments; }

}  // namespace kw
