// SPDX-License-Identifier: Apache-2.0
#pragma once
// HeadFormat: what a file is by its first bytes, for the engines that read
// it without parsing its structure (Quick and Salvage Recovery) and for Deep
// Recovery where no Word or package structure was found.

#include "base/source_format.h"

namespace kw {

class SourceFile;

// A compound file's signature or a Word 2.0/6.0 FIB: doc; "PK\3\4": docx;
// "{\rtf": rtf; "<html" or "<!DOCTYPE html" after any byte order mark and
// white space, in any case: html; else other (also when it cannot be read).
SourceFormat HeadFormat(SourceFile& file);

}  // namespace kw
