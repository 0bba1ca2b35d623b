// SPDX-License-Identifier: Apache-2.0
// WordXmlText, Deep Recovery's text pass over a package's XML parts, on
// arbitrary bytes as one part. Never crash; the text holds no control
// character but TAB and the CR LF that ends a line, read from the part's
// start or as a piece that resumed after damage; and the part fed as a
// stream in pieces whose sizes the bytes choose gives addPiece's text and
// count of dropped bytes, unless the stream hands the part back whole.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "formats/docx/word_xml_text.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view xml(reinterpret_cast<const char*>(data), size);
  std::string whole;
  kw::WordXmlText oracle(&whole);
  oracle.addPiece(xml, true);
  if (!kw::fuzz::OnlyTextControls(whole)) std::abort();

  std::string resumed;
  kw::WordXmlText piece(&resumed);
  piece.addPiece(xml, false);
  if (!kw::fuzz::OnlyTextControls(resumed)) std::abort();

  std::string streamed;
  kw::WordXmlText reader(&streamed);
  reader.beginStream();
  for (size_t at = 0; at < xml.size();) {
    const size_t length = 1 + static_cast<uint8_t>(xml[at]) % 23;
    reader.feed(xml.substr(at, length));
    at += length;
  }
  reader.endStream();
  if (!reader.needsWhole() && (streamed != whole || reader.droppedBytes() != oracle.droppedBytes())) std::abort();
  return 0;
}
