// SPDX-License-Identifier: Apache-2.0
// Extraction of an arbitrary picture from arbitrary bytes. The input is
// "first|last|name|ext" (after a ">", if any), a NUL, then the source.
// Whatever the picture says, a copy is either refused or holds exactly the
// source's bytes from first to last (or to the end), and nothing is written
// anywhere but the one working file in the private temporary folder, or the
// one file named inside the extraction folder.

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "formats/images/image_extraction.h"
#include "fuzz/fuzz_support.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The picture the text describes; false when it does not have four pieces
// or its positions are not numbers.
bool Parse(std::string_view text, kw::PictureRecord* picture) {
  if (const size_t marker = text.rfind('>'); marker != std::string_view::npos) text.remove_prefix(marker + 1);
  std::string pieces[4];
  for (int i = 0; i < 4; ++i) {
    const size_t bar = text.find('|');
    if (bar == std::string_view::npos && i < 3) return false;
    pieces[i] = std::string(text.substr(0, bar));
    text = bar == std::string_view::npos ? std::string_view() : text.substr(bar + 1);
  }
  try {
    picture->firstByte = std::stoll(pieces[0]);
    picture->lastByte = std::stoll(pieces[1]);
  } catch (...) {
    return false;
  }
  picture->name = pieces[2];
  picture->ext = pieces[3];
  return true;
}

// What a copy of the picture must hold.
bool Expected(std::string_view source, const kw::PictureRecord& picture, std::string* bytes) {
  const int64_t first = picture.firstByte, last = picture.lastByte;
  if (first < 1 || last < first || static_cast<uint64_t>(first) > source.size()) return false;
  const size_t end = std::min<uint64_t>(last, source.size());
  *bytes = std::string(source.substr(first - 1, end - (first - 1)));
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& temp = kw::fuzz::PrivateTempFolder();
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\0');
  if (split == std::string_view::npos) return 0;
  const std::string_view text = input.substr(0, split), source = input.substr(split + 1);
  kw::PictureRecord entry;
  if (!Parse(text, &entry)) return 0;

  kw::fuzz::SilentHost host;
  host.path = kw::fuzz::WriteScratch(reinterpret_cast<const uint8_t*>(source.data()), source.size());
  std::string saved;
  const kw::Status status = kw::SaveImages(host.path, kw::FileIdentity(), entry, &saved, &host);
  std::string expected;
  const bool copies = Expected(source, entry, &expected);
  if (status.ok() != copies) std::abort();
  if (status.ok()) {
    if (saved.rfind(temp + "/sqm", 0) != 0 || kw::fuzz::CountEntries(temp) != 1) std::abort();
    if (!copies || ReadAll(saved) != expected) std::abort();
  } else if (kw::fuzz::CountEntries(temp) != 0) {
    std::abort();
  }
  kw::fuzz::EmptyFolder(temp);

  // The CLI's extraction into a folder, under a name from the entry.
  const std::string folder = temp + "/out";
  std::filesystem::create_directory(folder);
  const std::string name = entry.name + "." + entry.ext;
  if (!entry.name.empty() && name.find('/') == std::string::npos && name.find('\0') == std::string::npos &&
      name != "..") {
    const kw::Status extracted = kw::ExtractImage(host.path, kw::FileIdentity(), entry, folder + "/" + name, false);
    if (kw::fuzz::CountEntries(temp) != 1 || kw::fuzz::CountEntries(folder) != (extracted.ok() ? 1u : 0u)) {
      std::abort();
    }
    if (extracted.ok() && (!copies || ReadAll(folder + "/" + name) != expected)) std::abort();
  }
  kw::fuzz::EmptyFolder(temp);
  return 0;
}
