// Extraction of an arbitrary entry text from arbitrary bytes. The input is
// the entry text, a NUL, then the source. Whatever the entry says, a copy
// is either refused or holds exactly the source's bytes from sMark to eMark
// (or to the end), and nothing is written anywhere but the one working file
// in the private temporary folder, or the one file named inside the
// extraction folder.

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "formats/images/image_extraction.h"
#include "formats/images/image_table.h"
#include "fuzz/fuzz_support.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// What a copy from sMark to eMark must hold, when both are positions.
bool Expected(std::string_view source, const kw::ImageEntry& entry, std::string* bytes) {
  try {
    size_t used = 0;
    const long long first = std::stoll(entry.sMark, &used);
    const long long last = std::stoll(entry.eMark);
    if (first < 1 || last < first || static_cast<unsigned long long>(first) > source.size()) return false;
    const size_t end = std::min<unsigned long long>(last, source.size());
    *bytes = std::string(source.substr(first - 1, end - (first - 1)));
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& temp = kw::fuzz::PrivateTempFolder();
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\0');
  if (split == std::string_view::npos) return 0;
  const std::string_view text = input.substr(0, split), source = input.substr(split + 1);
  kw::ImageEntry entry;
  if (!kw::ParseImageEntry(text, &entry)) return 0;

  kw::fuzz::SilentHost host;
  host.path = kw::fuzz::WriteScratch(reinterpret_cast<const uint8_t*>(source.data()), source.size());
  kw::RecoveryJobState job;
  std::string saved;
  const kw::Status status =
      kw::SaveImages(job, host, entry.sMark, entry.eMark, entry.ImgName, entry.ImgExt, &saved, &host);
  std::string expected;
  const bool copies = Expected(source, entry, &expected);
  // ParsePosition allows spaces around the digits; stoll allows a sign and
  // more, so a refusal is only wrong where the copy was plainly due.
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
  const std::string name = entry.ImgName + "." + entry.ImgExt;
  if (!entry.ImgName.empty() && name.find('/') == std::string::npos && name.find('\0') == std::string::npos &&
      name != "..") {
    const kw::Status extracted = kw::ExtractImage(host.path, entry.sMark, entry.eMark, folder + "/" + name, false);
    if (kw::fuzz::CountEntries(temp) != 1 || kw::fuzz::CountEntries(folder) != (extracted.ok() ? 1u : 0u)) {
      std::abort();
    }
    if (extracted.ok() && (!copies || ReadAll(folder + "/" + name) != expected)) std::abort();
  }
  kw::fuzz::EmptyFolder(temp);
  return 0;
}
