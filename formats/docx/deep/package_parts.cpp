// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/package_parts.h"

namespace kw {

namespace {

bool StartsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }
bool EndsWith(std::string_view s, std::string_view p) {
  return s.size() >= p.size() && s.substr(s.size() - p.size()) == p;
}

// The local name of the first element in `xml`, skipping the declaration,
// comments and processing instructions.
std::string_view RootLocalName(std::string_view xml, size_t* after) {
  size_t at = 0;
  while ((at = xml.find('<', at)) != std::string_view::npos) {
    if (at + 1 < xml.size() && (xml[at + 1] == '?' || xml[at + 1] == '!')) {
      ++at;
      continue;
    }
    size_t end = at + 1;
    while (end < xml.size() && xml[end] != ' ' && xml[end] != '>' && xml[end] != '/' && xml[end] != '\r' &&
           xml[end] != '\n' && xml[end] != '\t')
      ++end;
    std::string_view name = xml.substr(at + 1, end - at - 1);
    const size_t colon = name.find(':');
    if (colon != std::string_view::npos) name = name.substr(colon + 1);
    *after = end;
    return name;
  }
  return {};
}

std::string_view Attribute(std::string_view tag, std::string_view name) {
  size_t at = 0;
  while ((at = tag.find(name, at)) != std::string_view::npos) {
    const size_t eq = at + name.size();
    if (at > 0 && (tag[at - 1] == ' ' || tag[at - 1] == '\t' || tag[at - 1] == '\n' || tag[at - 1] == '\r') &&
        eq + 1 < tag.size() && tag[eq] == '=' && (tag[eq + 1] == '"' || tag[eq + 1] == '\'')) {
      const size_t close = tag.find(tag[eq + 1], eq + 2);
      if (close == std::string_view::npos) return {};
      return tag.substr(eq + 2, close - eq - 2);
    }
    at = eq;
  }
  return {};
}

}  // namespace

PartRole RoleByName(std::string_view name) {
  if (name == "_rels/.rels") return PartRole::kPackageRels;
  if (StartsWith(name, "word/media/")) return PartRole::kMedia;
  if (!StartsWith(name, "word/") || !EndsWith(name, ".xml") || name.find('/', 5) != std::string_view::npos) {
    return PartRole::kOther;
  }
  const std::string_view base = name.substr(5, name.size() - 9);
  if (base == "document") return PartRole::kMain;
  if (StartsWith(base, "header")) return PartRole::kHeader;
  if (StartsWith(base, "footer")) return PartRole::kFooter;
  if (base == "footnotes") return PartRole::kFootnotes;
  if (base == "endnotes") return PartRole::kEndnotes;
  if (base == "comments") return PartRole::kComments;
  return PartRole::kOther;
}

PartRole RoleByContent(std::string_view xml) {
  size_t after = 0;
  const std::string_view root = RootLocalName(xml.substr(0, 64 << 10), &after);
  if (root == "document") {
    const size_t body = xml.find(":body", after);
    return body != std::string_view::npos && body < (64u << 10) ? PartRole::kMain : PartRole::kOther;
  }
  if (root == "hdr") return PartRole::kHeader;
  if (root == "ftr") return PartRole::kFooter;
  if (root == "footnotes") return PartRole::kFootnotes;
  if (root == "endnotes") return PartRole::kEndnotes;
  if (root == "comments") return PartRole::kComments;
  if (root == "Relationships") return PartRole::kPackageRels;
  return PartRole::kOther;
}

std::string OfficeDocumentTarget(std::string_view rels) {
  size_t at = 0;
  while ((at = rels.find("<Relationship ", at)) != std::string_view::npos) {
    const size_t end = rels.find('>', at);
    if (end == std::string_view::npos) break;
    const std::string_view tag = rels.substr(at, end - at + 1);
    at = end;
    if (!EndsWith(Attribute(tag, "Type"), "/officeDocument")) continue;
    std::string_view target = Attribute(tag, "Target");
    while (StartsWith(target, "/")) target.remove_prefix(1);
    while (StartsWith(target, "./")) target.remove_prefix(2);
    return std::string(target);
  }
  return {};
}

}  // namespace kw
