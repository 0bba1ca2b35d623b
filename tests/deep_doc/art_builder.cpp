// SPDX-License-Identifier: Apache-2.0
#include "tests/deep_doc/art_builder.h"

#include <zlib.h>

namespace kw::test {

namespace {

std::string U32s(std::initializer_list<uint32_t> values) {
  std::string s(4 * values.size(), '\0');
  size_t at = 0;
  for (uint32_t v : values) Put32(s, (at++) * 4, v);
  return s;
}

// The FIB's offset/length pair `index` of the 97 part.
void SetPair(std::string& main, int index, uint32_t fc, uint32_t lcb) {
  Put32(main, 0x9A + 8 * size_t(index), fc);
  Put32(main, 0x9A + 8 * size_t(index) + 4, lcb);
}

}  // namespace

std::string ArtRecord(uint16_t version, uint16_t instance, uint16_t type, const std::string& body) {
  std::string h(8, '\0');
  Put16(h, 0, uint16_t(version | (instance << 4)));
  Put16(h, 2, type);
  Put32(h, 4, uint32_t(body.size()));
  return h + body;
}

std::string Deflate(const std::string& bytes) {
  uLongf size = compressBound(uLong(bytes.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()),
            uLong(bytes.size()), 9);
  out.resize(size);
  return out;
}

std::string BitmapBlip(uint16_t type, uint16_t instance, const std::string& data, char uidByte) {
  return ArtRecord(0, instance, type, std::string(16, uidByte) + "\xFF" + data);
}

std::string MetafileBlip(uint16_t type, uint16_t instance, const std::string& metafile, bool deflate,
                         int32_t extentEmu) {
  const std::string stored = deflate ? Deflate(metafile) : metafile;
  std::string header = U32s(
      {uint32_t(metafile.size()), 0, 0, 1000, 1000, uint32_t(extentEmu), uint32_t(extentEmu), uint32_t(stored.size())});
  header += deflate ? '\0' : '\xFE';
  header += '\xFE';
  return ArtRecord(0, instance, type, std::string(16, 'm') + header + stored);
}

std::string StoreEntry(uint8_t blipType, const std::string& blip, bool embedded, uint32_t delay) {
  std::string body(36, '\0');
  body[0] = char(blipType);
  body[1] = char(blipType);
  body.replace(2, 16, blip.substr(8, 16));
  Put32(body, 20, uint32_t(blip.size()));
  Put32(body, 24, 1);
  Put32(body, 28, delay);
  return ArtRecord(2, blipType, 0xF007, embedded ? body + blip : body);
}

std::string Picf(uint16_t mm, const std::string& payload, int16_t xExt, int16_t yExt) {
  std::string h(0x44, '\0');
  Put32(h, 0, uint32_t(0x44 + payload.size()));
  Put16(h, 4, 0x44);
  Put16(h, 6, mm);
  Put16(h, 8, uint16_t(xExt));
  Put16(h, 10, uint16_t(yExt));
  return h + payload;
}

std::string InlineArt(const std::string& entries, bool object) {
  std::string fsp = U32s({1025, object ? 0xA10u : 0xA00u});
  std::string fopt(6, '\0');
  Put16(fopt, 0, 0x4104);
  Put32(fopt, 2, 1);
  return ArtRecord(0xF, 0, 0xF004, ArtRecord(2, 75, 0xF00A, fsp) + ArtRecord(3, 1, 0xF00B, fopt)) + entries;
}

std::string BuildPictureDoc(const PictureDoc& doc, CfbLayout* layout) {
  Word97 w = BuildWord97({{doc.text, true}}, uint32_t(doc.text.size()));
  std::string& m = w.main;
  std::string& t = w.table;
  constexpr uint32_t kText = 0x400;  // where BuildWord97 puts the text
  // One page of character properties: a run per inline picture, each with its location.
  m.resize(0x1000, '\0');
  std::string page(512, '\0');
  const size_t n = doc.inlineAt.size();
  if (n > 0) {
    page[511] = char(n);
    for (size_t i = 0; i < n; ++i) {
      Put32(page, 4 * i, kText + doc.inlineCp[i]);
      const size_t at = 400 - 10 * i;
      page[4 * (n + 1) + i] = char(at / 2);
      page[at] = 9;
      Put16(page, at + 1, 0x6A03);
      Put32(page, at + 3, doc.inlineAt[i]);
      Put16(page, at + 7, 0x0855);
      page[at + 9] = 1;
    }
    Put32(page, 4 * n, kText + doc.inlineCp[n - 1] + 1);
    t.replace(0x800, 12, U32s({kText, kText + uint32_t(doc.text.size()), 8}));
    SetPair(m, 12, 0x800, 12);
  }
  m += page;
  m += doc.delayed;
  // The drawing group: its store, then one drawing of a shape per store entry.
  if (!doc.store.empty()) {
    const size_t count = doc.floatingCp.size();
    std::string shapes;
    for (size_t i = 0; i < count; ++i) {
      std::string fopt(6, '\0');
      Put16(fopt, 0, 0x4104);
      Put32(fopt, 2, uint32_t(i + 1));
      shapes += ArtRecord(0xF, 0, 0xF004,
                          ArtRecord(2, 75, 0xF00A, U32s({uint32_t(2048 + i), 0xA00})) + ArtRecord(3, 1, 0xF00B, fopt));
    }
    const std::string dgg = ArtRecord(0xF, 0, 0xF000, ArtRecord(0xF, uint16_t(count), 0xF001, doc.store));
    const std::string dg = ArtRecord(0xF, 0, 0xF002, ArtRecord(0xF, 0, 0xF003, shapes));
    const std::string content = dgg + '\0' + dg;
    std::string spa;
    for (size_t i = 0; i < count; ++i) spa += U32s({doc.floatingCp[i]});
    spa += U32s({doc.floatingCp.empty() ? 0 : doc.floatingCp.back() + 1});
    for (size_t i = 0; i < count; ++i) {
      std::string one(26, '\0');
      Put32(one, 0, uint32_t(2048 + i));
      spa += one;
    }
    t.resize(0x900, '\0');
    SetPair(m, 50, 0x900, uint32_t(content.size()));
    t += content;
    SetPair(m, 40, uint32_t(t.size()), uint32_t(spa.size()));
    t += spa;
  }
  std::vector<std::pair<std::string, std::string>> streams{{"WordDocument", m}, {"1Table", t}};
  if (!doc.data.empty()) streams.push_back({"Data", doc.data});
  for (const auto& s : doc.extra) streams.push_back(s);
  return BuildCfb(streams, layout);
}

}  // namespace kw::test
