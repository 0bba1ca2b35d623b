// SPDX-License-Identifier: Apache-2.0
#pragma once
// WriteDocx: saves plain text as a minimal Word document (.docx).
//
// Each line of `text` (UTF-8; lines end in "\r\n", "\n" or "\r") becomes one
// paragraph; tabs become tab stops; characters XML cannot hold (control
// bytes, broken UTF-8) are left out. The package holds the three parts a
// word processor needs ([Content_Types].xml, _rels/.rels,
// word/document.xml), each deflated (stored in a build without zlib, see
// zip_codec.h), and is written through an OutputFile: a
// failed save never leaves half a document where an earlier one was, and the
// source named in `options` is never written. Toolkit-free.

#include <string>
#include <string_view>

#include "base/output_file.h"
#include "base/status.h"

namespace kw {

// The package's bytes for `text`.
Status DocxPackage(std::string_view text, std::string* package);

Status WriteDocx(const std::string& path, std::string_view text,
                 const OutputFile::Options& options = OutputFile::Options());

// True when an output named `path` is to be a Word document: its name ends
// in ".docx", in any case. The wizard's save and kwrecover's -o both ask.
bool NamesWordDocument(std::string_view path);

// The document part's XML for `text` (exposed for tests).
std::string DocumentXml(std::string_view text);

}  // namespace kw
