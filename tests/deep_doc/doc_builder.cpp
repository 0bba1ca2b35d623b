// SPDX-License-Identifier: Apache-2.0
#include "tests/deep_doc/doc_builder.h"

#include <cstring>
#include <map>

namespace kw::test {

namespace {

constexpr uint32_t kEnd = 0xFFFFFFFE, kFree = 0xFFFFFFFF, kFatMark = 0xFFFFFFFD;

std::u32string Decode(const std::string& s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) {
    const uint8_t b = uint8_t(s[i]);
    int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    char32_t c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
    for (int k = 1; k < n && i + k < s.size(); ++k) c = (c << 6) | (uint8_t(s[i + k]) & 0x3F);
    out.push_back(c);
    i += n;
  }
  return out;
}

}  // namespace

std::string DirEntry(const std::string& name, uint8_t type, uint32_t start, uint32_t size, uint32_t child,
                     uint32_t right) {
  std::string e(128, '\0');
  for (size_t i = 0; i < name.size(); ++i) e[2 * i] = name[i];
  Put16(e, 0x40, uint16_t(2 * name.size() + 2));
  e[0x42] = char(type);
  e[0x43] = 1;
  Put32(e, 0x44, kFree);
  Put32(e, 0x48, right);
  Put32(e, 0x4C, child);
  Put32(e, 0x74, start);
  Put32(e, 0x78, size);
  return e;
}

void Put16(std::string& s, size_t at, uint16_t v) {
  s[at] = char(v & 0xFF);
  s[at + 1] = char(v >> 8);
}

void Put32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = char((v >> (8 * i)) & 0xFF);
}

std::string Utf16(const std::string& utf8) {
  std::string out;
  for (char32_t c : Decode(utf8)) {
    out.push_back(char(c & 0xFF));
    out.push_back(char((c >> 8) & 0xFF));
  }
  return out;
}

std::string Cp1252(const std::string& utf8) {
  std::string out;
  for (char32_t c : Decode(utf8)) {
    switch (c) {
      case 0x201C: out.push_back('\x93'); break;
      case 0x201D: out.push_back('\x94'); break;
      case 0x20AC: out.push_back('\x80'); break;
      default: out.push_back(char(c));
    }
  }
  return out;
}

std::string BuildCfb(const std::vector<std::pair<std::string, std::string>>& streams, CfbLayout* layout) {
  // Sector 0: FAT. Sector 1: directory. Sector 2: mini FAT. Then the mini
  // stream, then each big stream.
  std::string mini, miniFat;
  std::vector<uint32_t> fat(128, kFree);
  fat[0] = kFatMark;
  fat[1] = kEnd;
  fat[2] = kEnd;
  std::vector<std::string> entries;
  std::vector<std::pair<uint32_t, uint32_t>> placed;  // start, size
  std::string body;
  uint32_t next = 3;
  std::vector<std::pair<std::string, const std::string*>> big;
  for (const auto& [name, data] : streams) {
    if (data.size() < 4096) {
      const uint32_t first = uint32_t(mini.size() / 64);
      const uint32_t count = uint32_t((data.size() + 63) / 64);
      for (uint32_t i = 0; i < count; ++i) {
        std::string link(4, '\0');
        Put32(link, 0, i + 1 < count ? first + i + 1 : kEnd);
        miniFat += link;
      }
      mini += data;
      mini.resize((mini.size() + 63) / 64 * 64, '\0');
      placed.push_back({first, uint32_t(data.size())});
    } else {
      placed.push_back({0, uint32_t(data.size())});
    }
  }
  // The mini stream's sectors, then the big streams'.
  const uint32_t miniStart = mini.empty() ? kEnd : next;
  const uint32_t miniSectors = uint32_t((mini.size() + 511) / 512);
  for (uint32_t i = 0; i < miniSectors; ++i, ++next) fat[next] = i + 1 < miniSectors ? next + 1 : kEnd;
  body += mini;
  body.resize(size_t(miniSectors) * 512, '\0');
  for (size_t k = 0; k < streams.size(); ++k) {
    const std::string& data = streams[k].second;
    if (data.size() < 4096) continue;
    placed[k].first = next;
    layout->start[streams[k].first] = next;
    const uint32_t count = uint32_t((data.size() + 511) / 512);
    for (uint32_t i = 0; i < count; ++i, ++next) fat[next] = i + 1 < count ? next + 1 : kEnd;
    body += data;
    body.resize(body.size() + (512 - data.size() % 512) % 512, '\0');
  }
  // The directory: the root, the storages a name's "/" parts make, the
  // streams; each parent's children chained as right siblings.
  struct Node {
    std::string name;
    uint8_t type;
    uint32_t start, size, child = kFree, right = kFree;
    std::string path;
  };
  std::vector<Node> nodes{{"Root Entry", 5, miniStart, uint32_t(mini.size()), kFree, kFree, ""}};
  std::map<std::string, uint32_t> byPath{{"", 0}};
  std::map<uint32_t, uint32_t> lastChild;
  auto attach = [&](uint32_t parent, uint32_t index) {
    auto last = lastChild.find(parent);
    if (last == lastChild.end()) {
      nodes[parent].child = index;
    } else {
      nodes[last->second].right = index;
    }
    lastChild[parent] = index;
  };
  for (size_t k = 0; k < streams.size(); ++k) {
    const std::string& full = streams[k].first;
    uint32_t parent = 0;
    for (size_t slash = full.find('/'); slash != std::string::npos; slash = full.find('/', slash + 1)) {
      const std::string path = full.substr(0, slash);
      auto it = byPath.find(path);
      if (it == byPath.end()) {
        const std::string leaf = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
        nodes.push_back({leaf, 1, kEnd, 0, kFree, kFree, path});
        it = byPath.emplace(path, uint32_t(nodes.size() - 1)).first;
        attach(parent, it->second);
      }
      parent = it->second;
    }
    const std::string leaf = full.substr(full.rfind('/') == std::string::npos ? 0 : full.rfind('/') + 1);
    nodes.push_back({leaf, 2, placed[k].first, placed[k].second, kFree, kFree, full});
    attach(parent, uint32_t(nodes.size() - 1));
  }
  std::string dir;
  for (const Node& n : nodes) dir += DirEntry(n.name, n.type, n.start, n.size, n.child, n.right);
  dir.resize((dir.size() + 511) / 512 * 512, '\0');
  // The first directory sector is sector 1; any more go after the streams.
  uint32_t prev = 1;
  for (size_t extra = 512; extra < dir.size(); extra += 512, ++next) {
    fat[prev] = next;
    fat[next] = kEnd;
    prev = next;
    body += dir.substr(extra, 512);
  }
  dir.resize(512);
  std::string header(512, '\0');
  const uint8_t sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::memcpy(header.data(), sig, 8);
  Put16(header, 0x18, 0x3E);
  Put16(header, 0x1A, 3);
  Put16(header, 0x1C, 0xFFFE);
  Put16(header, 0x1E, 9);
  Put16(header, 0x20, 6);
  Put32(header, 0x2C, 1);
  Put32(header, 0x30, 1);
  Put32(header, 0x38, 4096);
  Put32(header, 0x3C, miniFat.empty() ? kEnd : 2);
  Put32(header, 0x40, miniFat.empty() ? 0 : 1);
  Put32(header, 0x44, kEnd);
  for (int i = 0; i < 109; ++i) Put32(header, 0x4C + 4 * i, i == 0 ? 0 : kFree);
  std::string fatSector(512, '\0');
  for (int i = 0; i < 128; ++i) Put32(fatSector, 4 * i, fat[i]);
  miniFat.resize(512, '\xFF');
  layout->fatSector = 0;
  layout->dirSector = 1;
  return header + fatSector + dir + miniFat + body;
}

Word97 BuildWord97(const std::vector<TestPiece>& pieces, uint32_t ccpText, uint32_t ccpFtn, uint32_t ccpHdd) {
  Word97 doc;
  doc.main.assign(0x400, '\0');
  std::string& m = doc.main;
  Put16(m, 0, 0xA5EC);
  Put16(m, 2, 0xC1);
  Put16(m, 0x0A, 0x0200);  // the table stream is 1Table
  Put16(m, 0x20, 14);
  Put16(m, 0x3E, 22);
  Put32(m, 0x4C, ccpText);
  Put32(m, 0x50, ccpFtn);
  Put32(m, 0x54, ccpHdd);
  Put16(m, 0x98, 0x5D);
  std::string cps(4, '\0'), pcds;
  uint32_t cp = 0;
  for (const TestPiece& p : pieces) {
    const std::string bytes = p.eightBit ? Cp1252(p.text) : Utf16(p.text);
    const uint32_t fc = uint32_t(m.size());
    cp += uint32_t(p.eightBit ? bytes.size() : bytes.size() / 2);
    m += bytes;
    std::string c(4, '\0'), d(8, '\0');
    Put32(c, 0, cp);
    cps += c;
    Put32(d, 2, p.eightBit ? (fc * 2) | 0x40000000u : fc);
    pcds += d;
  }
  Put32(m, 0x40, uint32_t(m.size()));
  if (m.size() < 4096) m.resize(4096, '\0');
  std::string& t = doc.table;
  t = "\x02" + std::string(4, '\0') + cps + pcds;
  Put32(t, 1, uint32_t(cps.size() + pcds.size()));
  Put32(m, 0x1A2, 0);
  Put32(m, 0x1A6, uint32_t(t.size()));
  t.resize(4096, '\0');
  return doc;
}

std::string BuildWord97File(const Word97& doc, CfbLayout* layout, bool smallTable) {
  if (!smallTable) return BuildCfb({{"WordDocument", doc.main}, {"1Table", doc.table}}, layout);
  // Another small stream first, so the table does not start the container.
  return BuildCfb(
      {{"WordDocument", doc.main}, {"CompObj", std::string(200, 'c')}, {"1Table", doc.table.substr(0, 512)}}, layout);
}

std::string BuildWord6(const std::string& bytes, uint16_t lid, bool complex) {
  std::string m(0x200, '\0');
  Put16(m, 0, 0xA5DC);
  Put16(m, 2, 0x65);
  Put16(m, 6, lid);
  Put16(m, 0x0A, complex ? 0x0004 : 0);
  Put32(m, 0x18, 0x200);
  Put32(m, 0x1C, uint32_t(0x200 + bytes.size()));
  Put32(m, 0x34, uint32_t(bytes.size()));
  if (!complex) {
    m += bytes;
  } else {
    // Two pieces, stored in reverse order after the FIB.
    const size_t half = bytes.size() / 2;
    const uint32_t second = 0x200, first = uint32_t(0x200 + bytes.size() - half);
    m += bytes.substr(half) + bytes.substr(0, half);
    std::string clx = "\x02" + std::string(4 + 12 + 16, '\0');
    Put32(clx, 1, 28);
    Put32(clx, 9, uint32_t(half));
    Put32(clx, 13, uint32_t(bytes.size()));
    Put32(clx, 17 + 2, first);
    Put32(clx, 25 + 2, second);
    Put32(m, 0x160, uint32_t(m.size()));
    Put32(m, 0x164, uint32_t(clx.size()));
    m += clx;
  }
  Put32(m, 0x20, uint32_t(m.size()));
  return m;
}

std::string BuildWord2(const std::string& bytes) {
  std::string m(0x100, '\0');
  Put16(m, 0, 0xA5DB);
  Put16(m, 2, 0x2D);
  Put32(m, 0x18, 0x100);
  Put32(m, 0x1C, uint32_t(0x100 + bytes.size()));
  return m + bytes + std::string(256, '\0');
}

}  // namespace kw::test
