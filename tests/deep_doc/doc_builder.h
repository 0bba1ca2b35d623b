// SPDX-License-Identifier: Apache-2.0
#pragma once
// Builders of small Word files for the Deep Recovery tests: a compound file
// writer (512-byte sectors; streams under 4096 bytes in the small-stream
// container) and main streams for Word 97, 6.0 and 2.0 with the FIB fields
// the reader uses. The layout is fixed and returned, so a test can damage
// exactly one structure.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kw::test {

struct CfbLayout {
  uint32_t fatSector = 0;                 // the one FAT sector
  uint32_t dirSector = 0;                 // the one directory sector
  std::map<std::string, uint32_t> start;  // each big stream's first sector
  static int64_t Offset(uint32_t sector) { return int64_t(sector + 1) * 512; }
};

// One 128-byte directory entry (type 1 storage, 2 stream, 5 root).
std::string DirEntry(const std::string& name, uint8_t type, uint32_t start, uint32_t size, uint32_t child,
                     uint32_t right);

// Streams in the order given, each contiguous; the root entry first. A name
// with "/" puts the stream in storages ("ObjectPool/_1/WordDocument").
std::string BuildCfb(const std::vector<std::pair<std::string, std::string>>& streams, CfbLayout* layout);

// A Word 97 piece: UTF-8 text stored as 8-bit (Windows-1252) or UTF-16LE.
struct TestPiece {
  std::string text;
  bool eightBit = false;
};

// Word 97 main and table streams; the stories' lengths in characters
// (main, footnotes, headers) must add up to the pieces' characters.
struct Word97 {
  std::string main;   // WordDocument
  std::string table;  // 1Table
};
Word97 BuildWord97(const std::vector<TestPiece>& pieces, uint32_t ccpText, uint32_t ccpFtn = 0, uint32_t ccpHdd = 0);
// The whole file: WordDocument then 1Table, both big streams, or with
// `smallTable` a 512-byte 1Table in the small-stream container, after a
// 200-byte CompObj.
std::string BuildWord97File(const Word97& doc, CfbLayout* layout, bool smallTable = false);

// A Word 6.0 main stream of 8-bit `bytes` in language `lid`; complex puts
// them in two pieces through a piece table.
std::string BuildWord6(const std::string& bytes, uint16_t lid, bool complex);
// A Word 2.0 file (no container) of 8-bit `bytes`.
std::string BuildWord2(const std::string& bytes);

// UTF-8 to UTF-16LE bytes, and to Windows-1252 bytes (for the characters it has).
std::string Utf16(const std::string& utf8);
std::string Cp1252(const std::string& utf8);

void Put16(std::string& s, size_t at, uint16_t v);
void Put32(std::string& s, size_t at, uint32_t v);

}  // namespace kw::test
