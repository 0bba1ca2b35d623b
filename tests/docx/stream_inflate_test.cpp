// SPDX-License-Identifier: Apache-2.0
// The core's own deflate decoder and CRC-32 (the browser build's codecs)
// against zlib: the same output, end, fault and input used, however the
// input and the room for output are cut, on sound and damaged streams.
#include "base/stream_inflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "base/crc32_table.h"

namespace kw {
namespace {

enum class End { kEnded, kFault, kWantsMore };

struct Outcome {
  std::string out;
  End end = End::kWantsMore;
  uint64_t consumed = 0;
};

std::string Deflate(std::string_view data, int level, int strategy) {
  z_stream s{};
  EXPECT_EQ(deflateInit2(&s, level, Z_DEFLATED, -15, 8, strategy), Z_OK);
  std::string out(deflateBound(&s, static_cast<uLong>(data.size())) + 16, '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  s.avail_in = static_cast<uInt>(data.size());
  s.next_out = reinterpret_cast<Bytef*>(out.data());
  s.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&s, Z_FINISH), Z_STREAM_END);
  out.resize(s.total_out);
  deflateEnd(&s);
  return out;
}

// zlib's inflate() given the whole input at once.
Outcome Zlib(std::string_view input) {
  Outcome o;
  z_stream s{};
  inflateInit2(&s, -15);
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
  s.avail_in = static_cast<uInt>(input.size());
  std::string piece(1 << 16, '\0');
  int r = Z_OK;
  while (r == Z_OK) {
    s.next_out = reinterpret_cast<Bytef*>(piece.data());
    s.avail_out = static_cast<uInt>(piece.size());
    r = inflate(&s, Z_NO_FLUSH);
    o.out.append(piece.data(), piece.size() - s.avail_out);
  }
  o.end = r == Z_STREAM_END ? End::kEnded : r == Z_BUF_ERROR ? End::kWantsMore : End::kFault;
  o.consumed = s.total_in;
  inflateEnd(&s);
  return o;
}

// StreamInflate fed pieces of random sizes, with random room for output, as
// RawInflater drives it.
Outcome Own(std::string_view input, std::mt19937& rng, size_t maxPiece, size_t maxRoom) {
  Outcome o;
  StreamInflate inflate;
  std::string piece(maxRoom, '\0');
  size_t at = 0;
  while (true) {
    size_t left = std::min(input.size() - at, std::uniform_int_distribution<size_t>(1, maxPiece)(rng));
    const auto* in = reinterpret_cast<const uint8_t*>(input.data()) + at;
    bool full = false;
    while (left > 0 || full) {
      const size_t room = std::uniform_int_distribution<size_t>(1, maxRoom)(rng);
      auto* out = reinterpret_cast<uint8_t*>(piece.data());
      size_t outLeft = room;
      const size_t before = left;
      const StreamInflate::Result r = inflate.run(&in, &left, &out, &outLeft);
      o.out.append(piece.data(), room - outLeft);
      o.consumed += before - left;
      at += before - left;
      full = outLeft == 0;
      if (r == StreamInflate::Result::kEnd) {
        o.end = End::kEnded;
        return o;
      }
      if (r == StreamInflate::Result::kError) {
        o.end = End::kFault;
        return o;
      }
      if (r == StreamInflate::Result::kNeedInput) {
        EXPECT_EQ(left, 0u) << "wanted input while holding some";
        break;
      }
    }
    if (at == input.size()) return o;
  }
}

void ExpectSame(const Outcome& zlib, const Outcome& own, const std::string& what) {
  ASSERT_EQ(zlib.end, own.end) << what;
  ASSERT_EQ(zlib.out.size(), own.out.size()) << what;
  ASSERT_TRUE(zlib.out == own.out) << what;
  if (zlib.end == End::kEnded) {
    EXPECT_EQ(zlib.consumed, own.consumed) << what;
  }
}

std::vector<std::string> Documents(std::mt19937& rng) {
  std::vector<std::string> docs = {"", "a", std::string(100000, 'x')};
  std::string xml;
  const char* words[] = {"<w:p>",        "<w:r><w:t>", "recovery ", "document ",
                         "</w:t></w:r>", "</w:p>\n",   "Kravelin ", "\xC3\xA9t\xC3\xA9 "};
  while (xml.size() < 300000) xml += words[rng() % 8];
  docs.push_back(xml);
  std::string noise(70000, '\0');
  for (char& c : noise) c = static_cast<char>(rng());
  docs.push_back(noise);
  std::string mixed = xml.substr(0, 40000) + noise.substr(0, 40000) + std::string(40000, '\0') + xml.substr(0, 90000);
  docs.push_back(mixed);
  return docs;
}

TEST(StreamInflate, SoundStreamsGiveTheirDataHoweverCut) {
  std::mt19937 rng(27);
  const std::string trailer = "PK\x07\x08 trailing bytes";
  const std::pair<int, int> kinds[] = {{0, Z_DEFAULT_STRATEGY},
                                       {1, Z_DEFAULT_STRATEGY},
                                       {6, Z_DEFAULT_STRATEGY},
                                       {9, Z_DEFAULT_STRATEGY},
                                       {6, Z_FIXED},
                                       {6, Z_HUFFMAN_ONLY},
                                       {6, Z_RLE}};
  for (const std::string& doc : Documents(rng)) {
    for (const auto& [level, strategy] : kinds) {
      const std::string packed = Deflate(doc, level, strategy) + trailer;
      const Outcome zlib = Zlib(packed);
      ASSERT_EQ(zlib.end, End::kEnded);
      ASSERT_EQ(zlib.out, doc);
      for (const auto& [piece, room] : {std::pair<size_t, size_t>{1, 1}, {7, 300}, {4096, 1 << 16}, {1 << 20, 65}}) {
        const std::string what = "size " + std::to_string(doc.size()) + " level " + std::to_string(level) +
                                 " strategy " + std::to_string(strategy) + " piece " + std::to_string(piece);
        ExpectSame(zlib, Own(packed, rng, piece, room), what);
      }
    }
  }
}

TEST(StreamInflate, DamagedStreamsGiveWhatZlibGives) {
  std::mt19937 rng(1951);
  const std::vector<std::string> docs = Documents(rng);
  for (int round = 0; round < 600; ++round) {
    const std::string& doc = docs[3 + round % 3];
    std::string packed = Deflate(doc.substr(0, 2000 + rng() % 30000), round % 10, round % 3 == 0 ? Z_FIXED : 0);
    const int flips = 1 + static_cast<int>(rng() % 4);
    for (int f = 0; f < flips; ++f) packed[rng() % packed.size()] ^= static_cast<char>(1 << (rng() % 8));
    if (round % 5 == 0) packed.resize(rng() % packed.size());
    ExpectSame(Zlib(packed), Own(packed, rng, 1 + rng() % 5000, 1 + rng() % 70000), "round " + std::to_string(round));
  }
}

TEST(StreamInflate, FaultsAreZlibs) {
  std::mt19937 rng(3);
  struct Case {
    std::string bytes;
    const char* fault;
  };
  const Case cases[] = {
      {std::string("\x07", 1), "invalid block type"},                            // final, type 3
      {std::string("\x01\x05\x00\xFA\xFE", 5), "invalid stored block lengths"},  // LEN 5, NLEN not its complement
      {std::string("\xFD\x00\x00", 3), "too many length or distance symbols"},   // HLIT 288
      // Fixed codes: "a", then a copy from distance 2; "a", then symbol 286; "a", a length, distance code 30.
      {std::string("\x4B\x04\x42\x00", 4), "invalid distance too far back"},
      {std::string("\x4B\x1C\x03", 3), "invalid literal/length code"},
      {std::string("\x4B\x04\x3E", 3), "invalid distance code"},
  };
  for (const Case& c : cases) {
    StreamInflate inflate;
    const auto* in = reinterpret_cast<const uint8_t*>(c.bytes.data());
    size_t left = c.bytes.size();
    std::string out(64, '\0');
    auto* o = reinterpret_cast<uint8_t*>(out.data());
    size_t room = out.size();
    StreamInflate::Result r = StreamInflate::Result::kProgress;
    while (r == StreamInflate::Result::kProgress) r = inflate.run(&in, &left, &o, &room);
    const Outcome zlib = Zlib(c.bytes);
    EXPECT_EQ(zlib.end, End::kFault) << c.fault;
    if (r == StreamInflate::Result::kError) {
      EXPECT_STREQ(inflate.fault(), c.fault);
    } else {
      ADD_FAILURE() << "no fault for " << c.fault;
    }
    ExpectSame(zlib, Own(c.bytes, rng, 1, 3), c.fault);
  }
}

TEST(TableCrc32, MatchesZlibAtEveryLengthAndAlignment) {
  std::mt19937 rng(32);
  std::vector<uint8_t> data(5000);
  for (uint8_t& b : data) b = static_cast<uint8_t>(rng());
  for (size_t start = 0; start < 9; ++start) {
    for (size_t n = 0; n < 70; ++n) {
      ASSERT_EQ(TableCrc32(0, data.data() + start, n), crc32(0, data.data() + start, static_cast<uInt>(n)));
    }
  }
  // Continued across pieces.
  const uint32_t whole = TableCrc32(0, data.data(), data.size());
  EXPECT_EQ(TableCrc32(TableCrc32(0, data.data(), 1234), data.data() + 1234, data.size() - 1234), whole);
  EXPECT_EQ(whole, crc32(0, data.data(), static_cast<uInt>(data.size())));
}

}  // namespace
}  // namespace kw
