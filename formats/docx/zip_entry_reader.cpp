// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/zip_entry_reader.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <vector>

#include "base/yield_clock.h"
#include "formats/docx/raw_inflater.h"
#include "formats/docx/zip_central_entry.h"
#include "formats/docx/zip_local_header.h"

namespace kw {

namespace {

constexpr size_t kFeedSize = 1 << 20;
// What the inflater is given at a time: small enough that a stream packed a
// thousand to one still yields every few milliseconds.
constexpr size_t kInflateStep = 16 << 10;
constexpr uint32_t kDescriptorSignature = 0x08074B50;  // "PK\7\8"

void Tick(YieldClock* clock) {
  if (clock != nullptr) clock->tick();
}

bool Stopped(const YieldClock* clock) { return clock != nullptr && clock->stopped(); }

uint32_t Crc(uint32_t crc, const char* data, size_t size, YieldClock* clock = nullptr) {
  while (size > 0) {
    const uInt piece = static_cast<uInt>(std::min<size_t>(size, 1 << 20));
    crc = static_cast<uint32_t>(crc32(crc, reinterpret_cast<const Bytef*>(data), piece));
    data += piece;
    size -= piece;
    Tick(clock);
  }
  return crc;
}

// The CRC-32 of `data` followed by `zeros` zero bytes, without making them.
uint32_t CrcWithZeroTail(const std::string& data, size_t zeros, YieldClock* clock) {
  static const std::array<char, 64 << 10> kZeros{};
  uint32_t crc = Crc(0, data.data(), data.size(), clock);
  while (zeros > 0) {
    const size_t piece = std::min(zeros, kZeros.size());
    crc = Crc(crc, kZeros.data(), piece);
    zeros -= piece;
  }
  return crc;
}

// Reads up to `length` bytes at `pos`; fewer at the end of the file.
std::optional<std::string> ReadBytes(SourceFile& file, int64_t pos, int64_t length) {
  std::string bytes(static_cast<size_t>(std::max<int64_t>(length, 0)), '\0');
  const int64_t n = file.readAt(pos, reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
  if (n < 0) return std::nullopt;
  bytes.resize(static_cast<size_t>(n));
  return bytes;
}

struct Sums {
  uint32_t crc;
  uint64_t compressedSize;
  uint64_t uncompressedSize;
  bool operator==(const Sums&) const = default;
};

// True when the data descriptor after the data, in any of its forms (with or
// without its signature, 32- or 64-bit sizes), records `actual`.
bool DescriptorMatches(SourceFile& file, int64_t pos, const Sums& actual) {
  std::array<uint8_t, 24> d{};
  if (file.readAt(pos, d.data(), d.size()) < 0) return false;
  for (const size_t skip : {size_t{0}, size_t{4}}) {
    if (skip == 4 && ReadLe32(d.data()) != kDescriptorSignature) continue;
    const uint8_t* p = d.data() + skip;
    if (Sums{ReadLe32(p), ReadLe32(p + 4), ReadLe32(p + 8)} == actual) return true;
    if (Sums{ReadLe32(p), ReadLe64(p + 4), ReadLe64(p + 12)} == actual) return true;
  }
  return false;
}

// Inflates the stream at `dataPos` without keeping its output, up to `cap`
// bytes of it: its CRC-32 and sizes, or nothing when it does not end there.
std::optional<Sums> MeasureStream(SourceFile& file, int64_t dataPos, int64_t cap, YieldClock* clock) {
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return std::nullopt;
  std::vector<uint8_t> in(kFeedSize), out(64 << 10);
  Sums sums{0, 0, 0};
  int result = Z_OK;
  for (int64_t pos = dataPos; result == Z_OK && !Stopped(clock);) {
    const int64_t n = file.readAt(pos, in.data(), in.size());
    if (n <= 0) break;
    pos += n;
    stream.next_in = in.data();
    stream.avail_in = static_cast<uInt>(n);
    while (result == Z_OK && (stream.avail_in > 0 || stream.avail_out == 0)) {
      stream.next_out = out.data();
      stream.avail_out = static_cast<uInt>(out.size());
      result = inflate(&stream, Z_NO_FLUSH);
      const size_t made = out.size() - stream.avail_out;
      sums.crc = static_cast<uint32_t>(crc32(sums.crc, out.data(), static_cast<uInt>(made)));
      sums.uncompressedSize += made;
      if (sums.uncompressedSize > static_cast<uint64_t>(cap)) result = Z_MEM_ERROR;
      if (result == Z_BUF_ERROR && stream.avail_in == 0) result = Z_OK;  // wants more input
      Tick(clock);
      if (Stopped(clock)) break;
    }
  }
  sums.compressedSize = stream.total_in;
  inflateEnd(&stream);
  if (result != Z_STREAM_END) return std::nullopt;
  return sums;
}

// An entry whose CRC and sizes follow its data: inflate to the end of the
// stream, then check what it gave against the descriptor, the central
// directory or, when the writer filled them in, the header itself. The
// stream is measured first and kept only when it checks out, so that one
// inflating to the limit (a zip bomb) costs time, never memory.
std::optional<std::string> ReadDescribedEntry(SourceFile& file, const ZipLocalHeader& header, int64_t headerPos,
                                              int64_t dataPos, YieldClock* clock, std::string* why) {
  const int64_t remaining = file.size() - (dataPos - 1);
  if (remaining <= 0) {
    *why = "the file ends before the entry's data";
    return std::nullopt;
  }
  const int64_t cap = std::min(kMaxEntrySize, remaining * kMaxDeflateRatio);
  const std::optional<Sums> measured = MeasureStream(file, dataPos, cap, clock);
  if (!measured) {
    *why = "its deflated data is damaged, cut short or larger than the limit";
    return std::nullopt;
  }
  const Sums& actual = *measured;
  const uint64_t consumed = actual.compressedSize;
  const bool matches =
      DescriptorMatches(file, dataPos + static_cast<int64_t>(consumed), actual) ||
      Sums{static_cast<uint32_t>(header.Crc32), static_cast<uint32_t>(header.CompressedSize),
           static_cast<uint32_t>(header.UncompressedSize)} == actual ||
      [&] {
        const auto central = FindCentralEntry(file, dataPos + static_cast<int64_t>(consumed), headerPos - 1, clock);
        return central && Sums{central->crc, central->compressedSize, central->uncompressedSize} == actual;
      }();
  if (!matches) {
    *why = "its data does not match the CRC and sizes the package gives for it";
    return std::nullopt;
  }
  // The same bytes again, kept this time.
  RawInflater inflater(actual.uncompressedSize, actual.uncompressedSize);
  std::vector<uint8_t> buffer(kFeedSize);
  const int64_t streamEnd = dataPos + static_cast<int64_t>(consumed);
  for (int64_t pos = dataPos; pos < streamEnd; pos += static_cast<int64_t>(buffer.size())) {
    const int64_t n = file.readAt(pos, buffer.data(), buffer.size());
    if (n <= 0) break;
    bool fed = true;
    for (int64_t at = 0; fed && at < n; at += static_cast<int64_t>(kInflateStep)) {
      fed = inflater.feed(buffer.data() + at, std::min<size_t>(kInflateStep, static_cast<size_t>(n - at)));
      Tick(clock);
      if (Stopped(clock)) return std::nullopt;
    }
    if (!fed) break;
  }
  std::string data = inflater.takeOutput();
  if (data.size() != actual.uncompressedSize || Crc(0, data.data(), data.size(), clock) != actual.crc) {
    *why = "its data changed while it was read";
    return std::nullopt;
  }
  return data;
}

std::optional<std::string> ReadEntry(SourceFile& file, int64_t headerPos, YieldClock* clock, std::string* why) {
  if (headerPos < 1) return std::nullopt;
  std::array<uint8_t, ZipLocalHeader::kSize> fixed{};  // bytes past the end read as zero
  if (file.readAt(headerPos, fixed.data(), fixed.size()) < 0) {
    *why = "it cannot be read";
    return std::nullopt;
  }
  const ZipLocalHeader header = ZipLocalHeader::Parse(fixed.data());
  if (header.Signature != ZipLocalHeader::kSignature) {
    *why = "its local header has no ZIP signature";
    return std::nullopt;
  }
  if (header.FileNameLength < 0 || header.ExtraFieldLength < 0) {
    *why = "its local header gives impossible name or extra lengths";
    return std::nullopt;
  }
  const int64_t dataPos =
      headerPos + static_cast<int64_t>(ZipLocalHeader::kSize) + header.FileNameLength + header.ExtraFieldLength;
  Tick(clock);

  if (header.Compression == ZipLocalHeader::kDeflated && header.hasDataDescriptor()) {
    return ReadDescribedEntry(file, header, headerPos, dataPos, clock, why);
  }
  if (header.Compression != ZipLocalHeader::kStored && header.Compression != ZipLocalHeader::kDeflated) {
    *why = "it uses compression method " + std::to_string(header.Compression) + ", which is not read";
    return std::nullopt;
  }
  if (header.CompressedSize <= 0) {
    *why = "its local header gives no compressed size";
    return std::nullopt;
  }
  // Only what the file still holds is read; a stored entry cut off by the
  // end of the file gives the part that is there.
  const int64_t remaining = std::max<int64_t>(0, file.size() - (dataPos - 1));
  auto data = ReadBytes(file, dataPos, std::min<int64_t>(header.CompressedSize, remaining));
  if (!data) {
    *why = "it cannot be read";
    return std::nullopt;
  }
  if (header.Compression == ZipLocalHeader::kStored) return data;
  if (header.UncompressedSize <= 0) {
    *why = "its local header gives no uncompressed size";
    return std::nullopt;
  }
  Tick(clock);
  if (!InflateEntry(*data, header.UncompressedSize, header.Crc32, clock)) {
    *why = "its deflated data is damaged or cut short (the CRC-32 or size does not match)";
    return std::nullopt;
  }
  return data;
}

}  // namespace

bool InflateEntry(std::string& data, int32_t uncompressedSize, int32_t crc, YieldClock* clock) {
  if (uncompressedSize < 0 || uncompressedSize > kMaxEntrySize ||
      uncompressedSize > static_cast<int64_t>(data.size()) * kMaxDeflateRatio) {
    return false;
  }
  const size_t size = static_cast<size_t>(uncompressedSize);
  // The size the header gives, checked against the limits above, is only
  // reserved: memory in use follows what the stream produces.
  RawInflater inflater(size, size);
  for (size_t at = 0; at < data.size(); at += kInflateStep) {
    const size_t piece = std::min(kInflateStep, data.size() - at);
    if (!inflater.feed(reinterpret_cast<const uint8_t*>(data.data()) + at, piece)) break;
    Tick(clock);
    if (Stopped(clock)) return false;
  }
  data = inflater.takeOutput();
  if (CrcWithZeroTail(data, size - data.size(), clock) != static_cast<uint32_t>(crc)) return false;
  data.resize(size);  // a stream that stopped short, whose zero tail still matched
  return true;
}

std::optional<StoredSpan> StoredEntrySpan(SourceFile& file, int64_t headerPos) {
  if (headerPos < 1) return std::nullopt;
  std::array<uint8_t, ZipLocalHeader::kSize> fixed{};
  if (file.readAt(headerPos, fixed.data(), fixed.size()) < 0) return std::nullopt;
  const ZipLocalHeader header = ZipLocalHeader::Parse(fixed.data());
  // The checks of ReadEntry, in its order, up to the read of stored data.
  if (header.Signature != ZipLocalHeader::kSignature || header.FileNameLength < 0 || header.ExtraFieldLength < 0 ||
      header.Compression != ZipLocalHeader::kStored || header.CompressedSize <= 0) {
    return std::nullopt;
  }
  const int64_t dataPos =
      headerPos + static_cast<int64_t>(ZipLocalHeader::kSize) + header.FileNameLength + header.ExtraFieldLength;
  const int64_t remaining = std::max<int64_t>(0, file.size() - (dataPos - 1));
  return StoredSpan{dataPos, std::min<int64_t>(header.CompressedSize, remaining)};
}

std::optional<std::string> ReadZipEntry(SourceFile& file, int64_t headerPos, YieldClock* clock, DamageReport* damage) {
  std::string why;
  std::optional<std::string> data = ReadEntry(file, headerPos, clock, &why);
  if (!data && damage != nullptr && headerPos >= 1 && !Stopped(clock)) {
    damage->add(headerPos - 1, std::max<int64_t>(0, file.size() - (headerPos - 1)), "zip",
                "The entry at this offset was dropped: " + why + ".");
  }
  return data;
}

}  // namespace kw
