// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/tolerant_inflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <random>
#include <utility>

#include "formats/docx/deep/inflate_decoder.h"
#include "tests/deep_docx/deep_package.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

// How many bytes of `out` are known, and how many of those differ from `xml`.
std::pair<size_t, size_t> KnownAndWrong(const std::string& out, const std::string& xml) {
  size_t known = 0, wrong = 0;
  for (size_t i = 0; i < out.size() && i < xml.size(); ++i) {
    if (out[i] == kUnknownByte) continue;
    ++known;
    wrong += out[i] != xml[i] ? 1 : 0;
  }
  return {known, wrong};
}

std::string Joined(const InflateOutcome& r) {
  std::string out;
  for (const InflatePiece& p : r.pieces) out += p.bytes;
  return out;
}

TEST(TolerantInflate, CleanStreamIsOnePieceFromTheStart) {
  const std::string xml = test::LongDocumentXml(50);
  const InflateOutcome r = TolerantInflate(test::RawDeflate(xml), {}, nullptr);
  ASSERT_EQ(r.pieces.size(), 1u);
  EXPECT_TRUE(r.pieces[0].fromStart);
  EXPECT_EQ(r.pieces[0].bytes, xml);
  EXPECT_TRUE(r.ended);
  EXPECT_TRUE(r.gaps.empty());
}

TEST(TolerantInflate, CutStreamKeepsItsPrefix) {
  const std::string xml = test::LongDocumentXml(200);
  const std::string z = test::RawDeflate(xml);
  const InflateOutcome r = TolerantInflate(std::string_view(z).substr(0, z.size() / 2), {}, nullptr);
  ASSERT_EQ(r.pieces.size(), 1u);
  EXPECT_TRUE(r.inputEnded);
  EXPECT_FALSE(r.ended);
  EXPECT_GT(r.pieces[0].bytes.size(), xml.size() / 8);
  EXPECT_EQ(xml.compare(0, r.pieces[0].bytes.size(), r.pieces[0].bytes), 0);
}

// A damaged byte inside a block is mended wherever it lies: the symbol
// that broke may have begun a byte or more before it, or the damaged codes
// may have written well-formed bytes for a while before they broke. The
// output is whole again, and the gap is that byte, which hid no output. A
// few are not told apart from another value that decodes as well (a digit
// for a digit), and some damage decodes to well-formed text and no break.
TEST(TolerantInflate, DamagedByteInsideABlockIsMended) {
  const std::string xml = test::LongDocumentXml(300);
  const std::string clean = test::RawDeflate(xml);
  std::mt19937 rng(7);
  int broke = 0, mended = 0;
  for (int trial = 0; trial < 40; ++trial) {
    std::string z = clean;
    const size_t at = 200 + rng() % (z.size() - 400);
    z[at] = static_cast<char>(z[at] ^ (1 + rng() % 255));
    const InflateOutcome r = TolerantInflate(z, {}, nullptr);
    if (r.gaps.empty()) continue;
    ++broke;
    const bool whole = r.pieces.size() == 1 && r.pieces[0].bytes == xml && r.gaps.size() == 1;
    mended += whole && r.gaps[0].inputBegin == static_cast<int64_t>(at) && r.gaps[0].outputLength == 0 ? 1 : 0;
  }
  EXPECT_GE(broke, 30);
  EXPECT_GE(mended, 27);  // of 38; 3 before the bytes past the broken symbol were tried
}

// Damaged bytes 60 to 160 bytes apart, past the stream's first kilobytes:
// decoding with the first mended breaks again at the second before it could
// prove the first, so the two are mended together. The output is one piece of the right length, wrong
// at most in a value told from the true one by the text around it alone.
TEST(TolerantInflate, DamagedBytesCloseTogetherAreMendedTogether) {
  const std::string xml = test::LongDocumentXml(300);
  const std::string clean = test::RawDeflate(xml);
  std::mt19937 rng(11);
  int nearlyWhole = 0;
  for (int trial = 0; trial < 12; ++trial) {
    std::string z = clean;
    const size_t first = 600 + rng() % (z.size() / 2), second = first + 60 + rng() % 100;
    z[first] = static_cast<char>(z[first] ^ (1 + rng() % 255));
    z[second] = static_cast<char>(z[second] ^ (1 + rng() % 255));
    const InflateOutcome r = TolerantInflate(z, {}, nullptr);
    if (r.pieces.size() != 1 || r.pieces[0].bytes.size() != xml.size()) continue;
    const auto [known, wrong] = KnownAndWrong(r.pieces[0].bytes, xml);
    const bool hidNothing =
        std::all_of(r.gaps.begin(), r.gaps.end(), [](const InflateGap& g) { return g.outputLength == 0; });
    nearlyWhole += known == xml.size() && wrong <= 128 && hidNothing ? 1 : 0;
  }
  EXPECT_GE(nearlyWhole, 11);
}

// A damaged byte in a block's header (its code tables) is mended: the
// output is whole again, and the header is the damaged stretch, which hid
// no output.
TEST(TolerantInflate, DamagedHeaderByteIsRepaired) {
  const std::string xml = test::LongDocumentXml(100);
  std::string z = test::RawDeflate(xml);
  z[6] = static_cast<char>(z[6] ^ 0x21);
  const InflateOutcome r = TolerantInflate(z, {}, nullptr);
  ASSERT_EQ(r.pieces.size(), 1u);
  EXPECT_EQ(r.pieces[0].bytes, xml);
  ASSERT_EQ(r.gaps.size(), 1u);
  EXPECT_LE(r.gaps[0].inputBegin, 6);
  EXPECT_GT(r.gaps[0].inputEnd, 6);
  EXPECT_EQ(r.gaps[0].outputLength, 0);
}

// One length of a dynamic block's code-length code changed (each is 3 bits
// at a fixed place): the code is no longer complete, and of the changes
// that make it complete again, the one whose block decodes to whole markup
// is the original. Every length tried in turn, each gives the text back.
TEST(TolerantInflate, WrongCodeLengthIsMendedByKraftsEquality) {
  const std::string xml = test::LongDocumentXml(200);
  const std::string z = test::RawDeflate(xml);
  auto field = [&](int bit, int n) {
    int v = 0;
    for (int k = 0; k < n; ++k) v |= ((static_cast<uint8_t>(z[(bit + k) / 8]) >> ((bit + k) % 8)) & 1) << k;
    return v;
  };
  ASSERT_EQ(field(1, 2), 2);  // a dynamic block
  const int sent = field(13, 4) + 4;
  int mended = 0;
  for (int k = 0; k < sent; ++k) {
    const int bit = 17 + 3 * k;
    const int was = field(bit, 3);
    std::string bad = z;
    const int now = was == 0 ? 3 : was - 1;  // a length's weight halved, doubled or added: Kraft's sum is off
    for (int b = 0; b < 3; ++b) {
      char& c = bad[static_cast<size_t>((bit + b) / 8)];
      c = static_cast<char>((c & ~(1 << ((bit + b) % 8))) | (((now >> b) & 1) << ((bit + b) % 8)));
    }
    const InflateOutcome r = TolerantInflate(bad, {}, nullptr);
    ASSERT_EQ(r.pieces.size(), 1u) << "length " << k;
    mended += r.pieces[0].bytes == xml ? 1 : 0;
    EXPECT_EQ(r.pieces[0].bytes.substr(0, 100), xml.substr(0, 100)) << "length " << k;
  }
  EXPECT_EQ(mended, sent);
}

// The first block's literal/length code lengths as its header sends them:
// where each sent symbol of the code-length code begins, its code, and
// which length it gives (-1 for a repeat).
struct SentLength {
  int bit, codeBits, code, symbol, index;
};
std::vector<SentLength> SentLengths(const std::string& z, std::vector<std::pair<int, int>>* clCodes) {
  int pos = 0;
  auto bits = [&](int n) {
    int v = 0;
    for (int k = 0; k < n; ++k, ++pos) v |= ((static_cast<uint8_t>(z[pos / 8]) >> (pos % 8)) & 1) << k;
    return v;
  };
  bits(3);
  const int nlit = bits(5) + 257, ndist = bits(5) + 1, ncode = bits(4) + 4;
  constexpr int kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  int cl[19] = {};
  for (int k = 0; k < ncode; ++k) cl[kOrder[k]] = bits(3);
  // The canonical code of each symbol: {bits, code}.
  clCodes->assign(19, {0, 0});
  int code = 0;
  for (int len = 1; len <= 7; ++len, code <<= 1) {
    for (int sym = 0; sym < 19; ++sym) {
      if (cl[sym] == len) (*clCodes)[sym] = {len, code++};
    }
  }
  std::vector<SentLength> sent;
  for (int i = 0; i < nlit + ndist;) {
    const int start = pos;
    int got = 0, len = 0, sym = -1;
    while (sym < 0 && len < 7) {
      got = got << 1 | bits(1);
      ++len;
      for (int s = 0; s < 19; ++s) sym = (*clCodes)[s] == std::make_pair(len, got) ? s : sym;
    }
    sent.push_back({start, len, got, sym, i});
    if (sym < 16) {
      ++i;
    } else {
      i += sym == 16 ? 3 + bits(2) : sym == 17 ? 3 + bits(3) : 11 + bits(7);
    }
  }
  return sent;
}

// Two literals' code lengths changed in the header, in different bytes,
// each by another length of the code-length code that is as long, so that
// nothing after them moves: the literal/length code is no longer complete
// (and no one byte mends it); the change that completes it and decodes to
// whole markup gives the text back.
TEST(TolerantInflate, WrongLiteralLengthsAreMendedByKraftsEquality) {
  const std::string xml = test::LongDocumentXml(200);
  const std::string z = test::RawDeflate(xml);
  std::vector<std::pair<int, int>> clCodes;
  std::vector<std::pair<SentLength, int>> changes;  // a literal's length, and the length it becomes
  for (const SentLength& s : SentLengths(z, &clCodes)) {
    if (s.symbol < 1 || s.symbol > 15 || s.index < 'a' || s.index > 'z') continue;
    for (int v = 1; v < 16; ++v) {
      if (v != s.symbol && clCodes[v].first == s.codeBits) {
        changes.push_back({s, v});
        break;
      }
    }
  }
  auto weight = [](int length) { return 1 << (15 - length); };
  int tried = 0;
  for (size_t a = 0; a < changes.size() && tried < 3; ++a) {
    for (size_t b = a + 1; b < changes.size() && tried < 3; ++b) {
      const SentLength& x = changes[a].first;
      const SentLength& y = changes[b].first;
      if ((x.bit + x.codeBits - 1) / 8 >= y.bit / 8 || y.index - x.index > 8) continue;
      if (weight(changes[a].second) - weight(x.symbol) + weight(changes[b].second) - weight(y.symbol) == 0) continue;
      std::string bad = z;
      for (const auto& [s, v] : {changes[a], changes[b]}) {
        for (int k = 0; k < s.codeBits; ++k) {  // a code's first bit is its highest
          const int bit = s.bit + k, value = (clCodes[v].second >> (s.codeBits - 1 - k)) & 1;
          char& c = bad[static_cast<size_t>(bit / 8)];
          c = static_cast<char>((c & ~(1 << (bit % 8))) | (value << (bit % 8)));
        }
      }
      ++tried;
      const InflateOutcome r = TolerantInflate(bad, {}, nullptr);
      ASSERT_EQ(r.pieces.size(), 1u) << "literals " << x.index << ", " << y.index;
      EXPECT_EQ(r.pieces[0].bytes, xml) << "literals " << x.index << ", " << y.index;
      ASSERT_FALSE(r.gaps.empty());
      EXPECT_EQ(r.gaps[0].outputLength, 0);
    }
  }
  EXPECT_EQ(tried, 3);
}

// A ruined first block: the search finds the next block that decodes
// cleanly (here after a full flush, so nothing in it is unknown).
TEST(TolerantInflate, RuinedBlockResumesAtTheNextBlock) {
  const std::string xml = test::LongDocumentXml(60);
  const size_t half = xml.size() / 2;
  z_stream s{};
  deflateInit2(&s, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string z(deflateBound(&s, xml.size()) + 64, '\0');
  s.next_out = reinterpret_cast<Bytef*>(z.data());
  s.avail_out = static_cast<uInt>(z.size());
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(xml.data()));
  s.avail_in = static_cast<uInt>(half);
  deflate(&s, Z_FULL_FLUSH);
  s.avail_in = static_cast<uInt>(xml.size() - half);
  deflate(&s, Z_FINISH);
  z.resize(s.total_out);
  deflateEnd(&s);
  for (size_t i = 0; i < 40; ++i) z[i] = static_cast<char>(0xFF);
  const InflateOutcome r = TolerantInflate(z, {}, nullptr);
  ASSERT_FALSE(r.pieces.empty());
  EXPECT_FALSE(r.pieces.back().fromStart);
  EXPECT_EQ(r.pieces.back().bytes, xml.substr(half));
  EXPECT_TRUE(r.ended);
  ASSERT_FALSE(r.gaps.empty());
  EXPECT_EQ(r.gaps[0].inputBegin, 0);
}

// A stretch of zeros in the middle of a block: decoding resumes with the
// same block's tables just past it, not at the next block; bytes copied
// from before the resumed piece are marked unknown, and the others are the
// document's own (the piece ends where the document does) but for the few
// codes decoded before they fell back into step, and copies of them. (When
// the markup shows how far apart the pieces lie, they are one again.)
TEST(TolerantInflate, DamagedStretchResumesInsideItsBlock) {
  const std::string xml = test::LongDocumentXml(600);
  std::string z = test::RawDeflate(xml);
  const size_t at = z.size() / 3;
  for (size_t i = at; i < at + 64; ++i) z[i] = 0;
  const InflateOutcome r = TolerantInflate(z, {}, nullptr);
  EXPECT_TRUE(r.ended);
  ASSERT_FALSE(r.pieces.empty());
  ASSERT_FALSE(r.gaps.empty());
  EXPECT_LE(r.gaps.back().inputEnd, static_cast<int64_t>(at + 64 + 128));
  const std::string& last = r.pieces.back().bytes;
  ASSERT_LE(last.size(), xml.size());
  const size_t offset = xml.size() - last.size();
  size_t known = 0, wrong = 0;
  for (size_t i = 0; i < last.size(); ++i) {
    if (last[i] == kUnknownByte) continue;
    ++known;
    wrong += last[i] != xml[offset + i] ? 1 : 0;
  }
  EXPECT_LT(wrong, known / 20);
  EXPECT_GT(known, 500u);
  EXPECT_GT(last.size(), xml.size() / 2);
}

// A few damaged bytes: the piece after them copies much from before its
// start. The text around the copies shows how many bytes the damage hid:
// they are filled from the text before it and the two pieces become one,
// exactly as long as the document, most bytes known and every known byte
// right: the codes decoded out of step after the damage (1.5 KB of output
// here) are found by their copies, which read on into nothing, and dropped
// with it. The damaged stretch is measured in both streams: where it begins
// and how long it is in the compressed data (with those codes), and how
// many bytes of output it hid, which the join tells.
TEST(TolerantInflate, ResumedPieceIsJoinedAndItsCopiesFilled) {
  const std::string xml = test::LongDocumentXml(300);
  std::string z = test::RawDeflate(xml);
  const int64_t at = static_cast<int64_t>(z.size() / 2);
  for (int64_t i = at; i < at + 12; ++i) z[static_cast<size_t>(i)] = static_cast<char>(0x5A ^ (i * 37));
  const InflateOutcome r = TolerantInflate(z, {}, nullptr);
  ASSERT_EQ(r.gaps.size(), 1u);
  const InflateGap& gap = r.gaps[0];
  EXPECT_GE(gap.inputBegin, at - 2);  // a code that straddles the first damaged byte may fail there
  EXPECT_LE(gap.inputBegin, at + 12);
  EXPECT_GE(gap.inputEnd, at + 12);  // resumed past the damage and the codes out of step after it
  EXPECT_LE(gap.inputEnd - gap.inputBegin, 12 + 256);
  ASSERT_EQ(r.pieces.size(), 1u);
  const std::string& out = r.pieces[0].bytes;
  EXPECT_TRUE(r.pieces[0].fromStart);
  ASSERT_EQ(out.size(), xml.size());
  EXPECT_LT(std::count(out.begin(), out.end(), kUnknownByte), static_cast<std::ptrdiff_t>(xml.size() / 6));
  EXPECT_EQ(KnownAndWrong(out, xml).second, 0u);
  // The longest run of unknown bytes is the hidden stretch, and the last 32
  // bytes before it, decoded as the damage began, which fill nothing.
  size_t runAt = 0, runSize = 0;
  for (size_t i = 0; i < out.size();) {
    size_t j = i;
    while (j < out.size() && out[j] == kUnknownByte) ++j;
    if (j - i > runSize) runAt = i, runSize = j - i;
    i = j + 1;
  }
  EXPECT_EQ(gap.outputLength + 32, static_cast<int64_t>(runSize));
  EXPECT_GT(runSize, 0u);
  // The text before it is the document's; after it, the document's again in
  // the same place (where known, but for codes decoded out of step and their
  // copies), and one byte more or less would put it out of place.
  EXPECT_EQ(out.substr(0, runAt), xml.substr(0, runAt));
  const size_t after = runAt + runSize;
  auto wrong = [&](size_t shift) {
    size_t n = 0;
    for (size_t i = after; i + 1 < out.size(); ++i) n += out[i] != kUnknownByte && out[i] != xml[i + shift - 1] ? 1 : 0;
    return n;
  };
  EXPECT_LT(wrong(1), xml.size() / 10);
  EXPECT_GT(wrong(0), 3 * wrong(1));
  EXPECT_GT(wrong(2), 3 * wrong(1));
}

// Past a damaged stretch, most unknown bytes are copies of copies made in
// the resumed piece. Such a copy ended where the compressor's match with the
// earlier copy ended, so the byte after it says nothing of the bytes before
// the piece: counted as a copy that could have been longer, it made the
// right size lose, and the two pieces stayed apart.
TEST(TolerantInflate, CopiesOfCopiesDoNotCountAgainstTheRightSize) {
  const std::string xml = test::LongDocumentXml(300);
  std::string z = test::RawDeflate(xml);
  const size_t at = 1192;
  std::mt19937 random(at);
  for (size_t i = at; i < at + 16; ++i) z[i] = static_cast<char>(random());
  const InflateOutcome r = TolerantInflate(z, {}, nullptr);
  ASSERT_EQ(r.pieces.size(), 1u);
  const std::string& out = r.pieces[0].bytes;
  ASSERT_EQ(out.size(), xml.size());
  const auto [known, wrong] = KnownAndWrong(out, xml);
  EXPECT_EQ(wrong, 0u);
  EXPECT_GT(known, xml.size() * 9 / 10);
}

// A long random stretch: random bits decode under the block's own codes
// too, so decoding resumes inside the stretch, and its bytes come out as a
// head of garbage that later copies would spread as known text. The join
// shows where the codes fell into step (after it, the copies read on into
// their neighbours); the stream is decoded again from there, so the gap
// covers the whole stretch and every known byte after it is the document's.
TEST(TolerantInflate, PieceResumedInsideTheDamageBeginsPastIt) {
  const std::string xml = test::LongDocumentXml(1500);
  std::string z = test::RawDeflate(xml);
  const size_t at = z.size() / 4, length = 512;
  std::mt19937 random(7);
  for (size_t i = at; i < at + length; ++i) z[i] = static_cast<char>(random());
  const InflateOutcome r = TolerantInflate(z, {}, nullptr);
  ASSERT_EQ(r.gaps.size(), 1u);
  EXPECT_LE(r.gaps[0].inputBegin, static_cast<int64_t>(at + 16));
  EXPECT_GE(r.gaps[0].inputEnd, static_cast<int64_t>(at + length));
  EXPECT_LE(r.gaps[0].inputEnd, static_cast<int64_t>(at + length + 64));
  ASSERT_EQ(r.pieces.size(), 1u);
  const std::string& out = r.pieces[0].bytes;
  ASSERT_EQ(out.size(), xml.size());
  const auto [known, wrong] = KnownAndWrong(out, xml);
  EXPECT_EQ(wrong, 0u);
  EXPECT_GT(known, xml.size() / 2);
}

// Paragraphs of words made of random syllables: text that packs into many
// literals, as most prose does, unlike LongDocumentXml's two dozen words.
std::string SyllableDocumentXml(int count) {
  const char* syllables[] = {"ka", "ro", "mi", "ten", "sa", "vo", "lu", "de", "ph", "qui", "ba", "ne", "tor", "gal"};
  std::mt19937 random(11);
  std::string xml = "<?xml version=\"1.0\"?><w:document><w:body>";
  for (int i = 0; i < count; ++i) {
    xml += "<w:p><w:r><w:t>";
    for (int w = 0; w < 12; ++w) {
      for (uint32_t k = 0; k < 1 + random() % 3; ++k) xml += syllables[random() % 14];
      xml += w < 11 ? " " : ".";
    }
    xml += "</w:t></w:r></w:p>";
  }
  return xml + "</w:body></w:document>";
}

// Whether zlib reads `z` to the end of its last block with more than a
// hundred bytes of input left over.
bool EndsEarly(const std::string& z) {
  z_stream s{};
  if (inflateInit2(&s, -15) != Z_OK) return false;
  static std::string out(1 << 20, '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(z.data()));
  s.avail_in = static_cast<uInt>(z.size());
  s.next_out = reinterpret_cast<Bytef*>(out.data());
  s.avail_out = static_cast<uInt>(out.size());
  const int ret = ::inflate(&s, Z_FINISH);
  inflateEnd(&s);
  return ret == Z_STREAM_END && s.avail_in > 100;
}

// A damaged code read as the end of the last block: the stream seems to end
// with most of its input unread. Only a data descriptor may follow a part's
// data, so that end is a break like any other, and the byte is mended.
TEST(TolerantInflate, LastBlockEndedEarlyIsMended) {
  const std::string xml = SyllableDocumentXml(400);
  const std::string clean = test::RawDeflate(xml);
  int found = 0, mended = 0;
  for (size_t at = clean.size() / 8; at < clean.size() * 7 / 8 && found < 8; ++at) {
    for (int v = 0; v < 256; ++v) {
      std::string z = clean;
      z[at] = static_cast<char>(v);
      if (!EndsEarly(z)) continue;
      ++found;
      const InflateOutcome r = TolerantInflate(z, {}, nullptr);
      mended += r.pieces.size() == 1 && r.pieces[0].bytes == xml && r.gaps.size() == 1 &&
                        r.gaps[0].inputBegin == static_cast<int64_t>(at)
                    ? 1
                    : 0;
      break;
    }
  }
  ASSERT_EQ(found, 8);
  EXPECT_GE(mended, 7);  // one other value decodes as well as the true one
}

// Codes thrown out of step by a damaged byte may write well-formed text for
// a hundred bytes before the markup breaks, and a wrong value of a byte
// near the break then decodes a while too. Bytes further back are tried
// when no value near the break decodes as far as trials go: the damaged
// byte is found and mended with its own value, and the output is whole.
TEST(TolerantInflate, DamagedByteFarBeforeTheBreakIsMended) {
  const std::string xml = SyllableDocumentXml(400);
  const std::string clean = test::RawDeflate(xml);
  // Damage of this stream (the byte, and the bits changed) whose codes
  // broke too far on for a value near the break to tell, found by trying
  // a thousand.
  const std::pair<size_t, int> damage[] = {{2190, 180}, {3104, 156}, {5112, 86}, {6815, 131}, {6900, 106}};
  for (const auto& [at, bits] : damage) {
    std::string z = clean;
    z[at] = static_cast<char>(z[at] ^ bits);
    const InflateOutcome r = TolerantInflate(z, {}, nullptr);
    ASSERT_EQ(r.pieces.size(), 1u) << at;
    EXPECT_EQ(r.pieces[0].bytes, xml) << at;
    ASSERT_EQ(r.gaps.size(), 1u) << at;
    EXPECT_EQ(r.gaps[0].inputBegin, static_cast<int64_t>(at));
  }
}

// Random bits decode under a block's codes as readily as its own, so a
// resume tried a few bits past the break passes inside a random stretch,
// and its head of garbage would be copied on as known text. The literals
// it writes side by side read as garbage to the pair model: the first
// decoding already begins the piece near the stretch's end, before any
// join, and the known bytes after it are the document's.
TEST(TolerantInflate, ResumeInsideRandomBytesBeginsPastTheLiteralsThatReadAsGarbage) {
  const std::string xml = SyllableDocumentXml(400);
  const std::string clean = test::RawDeflate(xml);
  for (uint32_t seed = 3; seed <= 6; ++seed) {
    std::string z = clean;
    const size_t at = z.size() / 8 + seed * 997, length = 256 * seed;
    std::mt19937 random(seed);
    for (size_t i = at; i < at + length; ++i) z[i] = static_cast<char>(random());
    inflate::Decoder decoder(z, {}, nullptr);
    const InflateOutcome r = decoder.run();
    ASSERT_EQ(r.pieces.size(), 2u) << seed;
    const int64_t end = static_cast<int64_t>(at + length);
    EXPECT_GE(r.pieces[1].inputBegin, end - 96) << seed;  // the last codes of the stretch may copy unknown bytes only
    EXPECT_LE(r.pieces[1].inputBegin, end + 16) << seed;
    const std::string& last = r.pieces[1].bytes;
    ASSERT_LE(last.size(), xml.size());
    const auto [known, wrong] = KnownAndWrong(last, xml.substr(xml.size() - last.size()));
    EXPECT_LT(wrong * 20, known) << seed;  // begun at the first resume, a quarter to all of them were wrong
  }
}

// Past a wiped stretch the codes resume at some bit right after it, maybe
// inside a symbol whose first bits were wiped: the first codes are then out
// of step and write wrong bytes, which later copies spread as known text.
// Decoded from each of the next 48 bits (no symbol is longer, so one of them
// starts a symbol of the stream's own), the codes meet; the piece begins
// where all of them have, and every known byte after it is the document's.
TEST(TolerantInflate, PieceAfterAWipedStretchBeginsWhereEveryDecodingMeets) {
  const std::string xml = SyllableDocumentXml(400);
  const std::string clean = test::RawDeflate(xml);
  size_t wrongPieces = 0;
  for (size_t at = clean.size() / 8; at < clean.size() * 7 / 8; at += clean.size() / 16) {
    std::string z = clean;
    for (size_t i = at; i < at + 128; ++i) z[i] = 0;
    inflate::Decoder decoder(z, {}, nullptr);
    const InflateOutcome r = decoder.run();
    ASSERT_EQ(r.pieces.size(), 2u) << at;
    const std::string& last = r.pieces[1].bytes;
    ASSERT_LE(last.size(), xml.size());
    const auto [known, wrong] = KnownAndWrong(last, xml.substr(xml.size() - last.size()));
    EXPECT_GT(known, 0u) << at;
    wrongPieces += wrong > 0 ? 1 : 0;
  }
  EXPECT_EQ(wrongPieces, 0u);
}

// Past a wiped stretch the bytes are the stream's own: the piece begins
// where the decodings meet, even where the text before the stretch is too
// little for the pair model to tell the document's words from garbage.
TEST(TolerantInflate, PieceAfterAWipedStretchNearTheStartLosesNoText) {
  const std::string xml = SyllableDocumentXml(400);
  const std::string clean = test::RawDeflate(xml);
  for (const size_t at : {120, 200, 300}) {
    std::string z = clean;
    for (size_t i = at; i < at + 512; ++i) z[i] = 0;
    inflate::Decoder decoder(z, {}, nullptr);
    const InflateOutcome r = decoder.run();
    ASSERT_EQ(r.pieces.size(), 2u) << at;
    EXPECT_LE(r.pieces[1].inputBegin, static_cast<int64_t>(at + 512 + 32)) << at;  // cut 8,000 bytes on at 120
    const std::string& last = r.pieces[1].bytes;
    ASSERT_LE(last.size(), xml.size());
    EXPECT_EQ(KnownAndWrong(last, xml.substr(xml.size() - last.size())).second, 0u) << at;
  }
}

// Bytes of another stream decode as codes too, and may write well-formed
// text for a while before the break. A repair that decodes on from past the
// break kept what they wrote as known, and later copies spread it (53 bytes
// wrong here). What the input just before the break gave is unknown now.
TEST(TolerantInflate, RepairPastTheBreakKeepsNothingTheDamageWrote) {
  const std::string xml = SyllableDocumentXml(400);
  std::string z = test::RawDeflate(xml);
  const std::string other = test::RawDeflate(test::LongDocumentXml(100));
  const size_t at = 7498;
  for (size_t i = 0; i < 16; ++i) z[at + i] = other[1000 + i];
  const InflateOutcome r = TolerantInflate(z, {}, nullptr);
  ASSERT_EQ(r.pieces.size(), 1u);
  const auto [known, wrong] = KnownAndWrong(r.pieces[0].bytes, xml);
  EXPECT_EQ(wrong, 0u);
  EXPECT_GT(known, xml.size() * 9 / 10);
  ASSERT_EQ(r.gaps.size(), 1u);
  EXPECT_LE(r.gaps[0].inputBegin, static_cast<int64_t>(at));
}

// A piece's unknown bytes are copies of hidden ones: every copy of one
// hidden byte holds the same value, and the bytes around each copy vote
// for it by what they hold elsewhere in the piece. A byte is filled where
// the votes of its copies agree; copies of one string count once, and a
// byte whose copies' neighbours tell two values apart, or tell nothing,
// stays unknown.
TEST(InferUnknown, FillsHiddenBytesWhereTheirCopiesAgree) {
  const std::string u(1, kUnknownByte);
  const std::string known = "<w:p><w:r><w:rPr><w:b/></w:rPr><w:t>alpha</w:t></w:r></w:p>";
  std::string text = known + known + "<w:p><w:" + u + "><w:" + u + "Pr></w:" + u + "Pr><w:t>be" + u +
                     "a</w:t></w:" + u + "></w:p><w:" + u + "></w:" + u + ">";
  const std::string repeated = "zl" + u + "hz";  // only "l?h" was seen: "p", in "alpha"
  for (int i = 0; i < 4; ++i) text += repeated;
  std::vector<inflate::Origin> links;
  const auto link = [&](int32_t from) {
    const size_t at = text.find(kUnknownByte, links.empty() ? 0 : links.back().at + 1);
    links.push_back({static_cast<uint32_t>(at), from});
  };
  // "r" four times; a byte in a word; another in two places; one copied four times in one string
  for (const int32_t from : {-7, -7, -7, -9, -7, -3, -3, -5, -5, -5, -5}) link(from);
  inflate::InferUnknown(&text, links);
  EXPECT_EQ(text.substr(2 * known.size()), "<w:p><w:r><w:rPr></w:rPr><w:t>be" + u + "a</w:t></w:r></w:p><w:" + u +
                                               "></w:" + u + ">" + repeated + repeated + repeated + repeated);
}

std::string ReadData(const std::string& name) {
  return test::ReadFile(std::string(KW_SOURCE_DIR) + "/tests/deep_docx/data/" + name);
}

std::string InflateRaw(const std::string& raw) {
  z_stream z{};
  inflateInit2(&z, -15);
  std::string out(1 << 20, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
  z.avail_in = static_cast<uInt>(raw.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  ::inflate(&z, Z_FINISH);
  out.resize(z.total_out);
  inflateEnd(&z);
  return out;
}

// 128 random bytes in a writer's document.xml (data/stretch-*.deflate, made
// by bench/deep_deflate_corpus.py): the piece read from the start is sound
// up to 17 bytes before the break. Decoding resumed 17 bytes on, inside the
// random bytes, and their head of garbage, mostly copies of unknown bytes,
// let wrong sizes win the join: one that cut 1,426 bytes of true text, with
// 6,382 bytes wrong; later, one that spread the text before the break over
// the head as "ka etene ka etene". Copies in the head reach further back
// than the 2,472 bytes before the break and all that 17 bytes of the block's
// codes can give: decoded again past the last of them, the piece joins at
// the right size, and but for a few hidden bytes its neighbours fill wrong,
// every known byte is the document's.
TEST(TolerantInflate, JoinKeepsThePieceReadFromTheStart) {
  const std::string xml = InflateRaw(ReadData("stretch-intact.deflate"));
  ASSERT_EQ(xml.size(), 12591u);
  const InflateOutcome r = TolerantInflate(ReadData("stretch-damaged.deflate"), {}, nullptr);
  ASSERT_EQ(r.pieces.size(), 1u);
  const std::string& out = r.pieces[0].bytes;
  ASSERT_EQ(out.size(), xml.size());
  const auto mismatch = std::mismatch(out.begin(), out.end(), xml.begin(), xml.end());
  EXPECT_GE(static_cast<size_t>(mismatch.first - out.begin()), 2455u - inflate::kDistrustBytes);
  const auto [known, wrong] = KnownAndWrong(out, xml);
  EXPECT_GT(known, xml.size() * 2 / 3);
  EXPECT_LT(wrong * 100, known);
  ASSERT_EQ(r.gaps.size(), 1u);
  EXPECT_GE(r.gaps[0].inputEnd, 1063);  // the random bytes end there
}

// A stretch nothing after it decodes from: its output cannot be counted.
TEST(TolerantInflate, StretchThatEndsTheStreamHasAnUnknownOutputLength) {
  std::string z = test::RawDeflate(test::LongDocumentXml(50));
  z.resize(z.size() / 2);
  z.append(200, '\0');
  const InflateOutcome r = TolerantInflate(z, {}, nullptr);
  ASSERT_FALSE(r.gaps.empty());
  EXPECT_EQ(r.gaps.back().outputLength, InflateGap::kUnknownLength);
}

// A wiped stretch: the zeros decode as one code over and over (or as
// copies of unknown bytes), and the codes after them are in step again. Repairs that each get a little way
// and break again are not taken one after another (they changed intact
// bytes, and put the output out of place); the stream resumes past the
// zeros, spends little of the package's budget, and what it writes after
// the stretch is kept.
TEST(TolerantInflate, WipedStretchResumesOnceAndCheaply) {
  const std::string xml = test::LongDocumentXml(900);
  const std::string clean = test::RawDeflate(xml);
  for (const size_t length : {size_t{16}, size_t{128}, size_t{512}}) {
    std::string z = clean;
    const size_t at = z.size() / 3;
    // Wiped to zeros, or (the longest) to 0xFF as erased flash reads.
    for (size_t i = at; i < at + length; ++i) z[i] = length == 512 ? '\xFF' : '\0';
    RepairBudget budget;
    TolerantInflateOptions options;
    options.budget = &budget;
    const InflateOutcome r = TolerantInflate(z, options, nullptr);
    EXPECT_TRUE(r.ended) << length;
    EXPECT_LT(r.gaps.size(), 16u) << length;
    // Decoding resumes past the zeros: nothing in them decodes to what they hid.
    ASSERT_FALSE(r.gaps.empty()) << length;
    EXPECT_GE(r.gaps.back().inputEnd, static_cast<int64_t>(at + length)) << length;
    EXPECT_LE(r.gaps.front().inputBegin, static_cast<int64_t>(at)) << length;
    EXPECT_LT(RepairBudget().symbols - budget.symbols, RepairBudget().symbols / 4) << length;
    // The last piece ends where the document does, and much of it is known.
    const std::string& last = r.pieces.back().bytes;
    ASSERT_LE(last.size(), xml.size()) << length;
    EXPECT_GT(last.size(), xml.size() / 2) << length;
    EXPECT_GT(static_cast<size_t>(std::count_if(last.begin(), last.end(), [](char c) { return c != kUnknownByte; })),
              1000u)
        << length;
  }
}

TEST(TolerantInflate, OutputStopsAtTheLimit) {
  const std::string z = test::RawDeflate(std::string(8 << 20, 'a'));
  TolerantInflateOptions o;
  o.outputLimit = 1 << 20;
  const InflateOutcome r = TolerantInflate(z, o, nullptr);
  EXPECT_TRUE(r.limitReached);
  EXPECT_LE(Joined(r).size(), o.outputLimit);
}

TEST(TolerantInflate, RandomInputEndsQuicklyWithBoundedOutput) {
  std::mt19937 rng(7);
  std::string noise(200000, '\0');
  for (char& c : noise) c = static_cast<char>(rng());
  TolerantInflateOptions o;
  o.outputLimit = 4 << 20;
  const InflateOutcome r = TolerantInflate(noise, o, nullptr);
  EXPECT_FALSE(r.ended && r.gaps.empty());
  EXPECT_LE(Joined(r).size(), o.outputLimit);
}

}  // namespace
}  // namespace kw
