// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/stored_picture.h"

#ifdef KW_HAVE_ZLIB
#include <zlib.h>
#endif

#include <algorithm>
#include <array>
#include <cstring>

#include "base/source_file.h"
#include "base/yield_clock.h"
#include "formats/doc/picture_heads.h"

namespace kw {

namespace {

using Kind = PictureRecord::Kind;
using Sink = std::function<Status(std::string_view)>;

constexpr size_t kChunk = size_t(256) << 10;
constexpr int64_t kInflateLimit = int64_t(256) << 20;  // no metafile is bigger; a bomb stops here
constexpr size_t kFirstBytes = 4096;                   // what the head and the checks look at

uint32_t Be32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }

bool Tick(YieldClock* clock) {
  if (clock == nullptr) return false;
  clock->tick();
  return clock->stopped();
}

// Reads the spans in order, a chunk at a time; `sink` gets each chunk and
// its file offset. Stops early when the sink says so or the clock stops.
Status ReadSpans(SourceFile& file, const std::vector<FileSpan>& spans, YieldClock* clock, int64_t* read,
                 const std::function<bool(const uint8_t*, size_t, int64_t)>& sink) {
  int64_t total = 0;
  for (const FileSpan& span : spans) total += span.length;
  std::vector<uint8_t> buf(size_t(std::clamp<int64_t>(total, 1, int64_t(kChunk))));
  *read = 0;
  for (const FileSpan& span : spans) {
    for (int64_t at = 0; at < span.length;) {
      if (Tick(clock)) return Status::OK();
      const size_t n = size_t(std::min<int64_t>(span.length - at, int64_t(buf.size())));
      const int64_t got = file.readAt(span.offset + at + 1, buf.data(), n);
      if (got < 0) return file.lastError();
      *read += got;
      if (got > 0 && !sink(buf.data(), size_t(got), span.offset + at)) return Status::OK();
      if (size_t(got) < n) return Status::OK();  // the file ends first
      at += got;
    }
  }
  return Status::OK();
}

// A picture's bytes as written after its head: stored bytes copied, or inflated.
class Producer {
 public:
  Producer(const StoredPicture& p, const Sink& out) : picture_(p), out_(out) {
    if (!p.deflated) return;
#ifdef KW_HAVE_ZLIB
    zs_.zalloc = Z_NULL;
    zs_.zfree = Z_NULL;
    zs_.opaque = Z_NULL;
    inflating_ = inflateInit2(&zs_, 15 + 32) == Z_OK;
#endif
    if (!inflating_) failed_ = true;
  }
  ~Producer() {
#ifdef KW_HAVE_ZLIB
    if (inflating_) inflateEnd(&zs_);
#endif
  }
  Producer(const Producer&) = delete;
  Producer& operator=(const Producer&) = delete;

  // False once no more bytes are wanted.
  bool feed(const uint8_t* data, size_t n) {
    if (!status_.ok() || done_) return false;
    if (!picture_.deflated) return emit(data, n);
    if (failed_) return false;
#ifdef KW_HAVE_ZLIB
    uint8_t out[64 << 10];
    zs_.next_in = const_cast<Bytef*>(data);
    zs_.avail_in = uInt(n);
    while (zs_.avail_in > 0 && !done_) {
      zs_.next_out = out;
      zs_.avail_out = sizeof out;
      const int r = inflate(&zs_, Z_NO_FLUSH);
      const size_t made = sizeof out - zs_.avail_out;
      if (made > 0 && !emit(out, made)) return false;
      if (r == Z_STREAM_END) {
        ended_ = true;
        done_ = true;
      } else if (r != Z_OK && r != Z_BUF_ERROR) {
        failed_ = true;
        return false;
      } else if (r == Z_BUF_ERROR && made == 0) {
        break;
      }
    }
#endif
    return !done_;
  }

  int64_t produced() const { return produced_; }
  bool ended() const { return ended_; }
  bool failed() const { return failed_; }
  const Status& status() const { return status_; }

 private:
  bool emit(const uint8_t* data, size_t n) {
    const int64_t room = (picture_.deflated ? std::min(picture_.rawSize, kInflateLimit) : INT64_MAX) - produced_;
    if (room <= 0) {
      done_ = true;
      return false;
    }
    n = size_t(std::min<int64_t>(int64_t(n), room));
    status_ = out_(std::string_view(reinterpret_cast<const char*>(data), n));
    produced_ += int64_t(n);
    return status_.ok();
  }

  const StoredPicture& picture_;
  const Sink& out_;
#ifdef KW_HAVE_ZLIB
  z_stream zs_{};
#endif
  bool inflating_ = false;
  bool failed_ = false;
  bool ended_ = false;
  bool done_ = false;
  int64_t produced_ = 0;
  Status status_;
};

// The CRC-32 of PNG chunks (the polynomial of zlib and ZIP), continued from `crc`.
uint32_t Crc32(uint32_t crc, const uint8_t* p, size_t n) {
  static const auto table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (size_t i = 0; i < n; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

// Checks a PNG's chunks and their checksums as its bytes go by.
class PngCheck {
 public:
  void feed(const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n && ok_ && !end_;) {
      if (pos_ < 8) {  // the signature, checked by the caller
        const size_t k = std::min<size_t>(8 - pos_, n - i);
        pos_ += k;
        i += k;
        continue;
      }
      if (headHave_ < 8) {
        const size_t k = std::min<size_t>(8 - headHave_, n - i);
        std::memcpy(head_ + headHave_, p + i, k);
        headHave_ += k;
        i += k;
        if (headHave_ == 8) {
          left_ = Be32(head_);
          if (left_ > 0x7FFFFFFF) ok_ = false;
          crc_ = Crc32(0, head_ + 4, 4);
          crcHave_ = 0;
        }
        continue;
      }
      if (left_ > 0) {
        const size_t k = size_t(std::min<uint64_t>(left_, n - i));
        crc_ = Crc32(crc_, p + i, k);
        left_ -= k;
        i += k;
        continue;
      }
      crcBytes_[crcHave_++] = p[i++];
      if (crcHave_ == 4) {
        if (Be32(crcBytes_) != crc_) ok_ = false;
        end_ = std::memcmp(head_ + 4, "IEND", 4) == 0;
        headHave_ = 0;
      }
    }
  }
  bool whole() const { return ok_ && end_; }
  bool bad() const { return !ok_; }

 private:
  size_t pos_ = 0;
  uint8_t head_[8] = {};
  size_t headHave_ = 0;
  uint64_t left_ = 0;
  uint32_t crc_ = 0;
  uint8_t crcBytes_[4] = {};
  size_t crcHave_ = 0;
  bool ok_ = true;
  bool end_ = false;
};

// Whether [data, data + n), at file offset `at`, holds a whole sector of zeros.
bool ZeroSector(const uint8_t* data, size_t n, int64_t at) {
  constexpr int64_t kSector = 512;
  for (int64_t s = (at + kSector - 1) / kSector * kSector; s + kSector <= at + int64_t(n); s += kSector) {
    const uint8_t* q = data + (s - at);
    if (q[0] == 0 && std::memcmp(q, q + 1, kSector - 1) == 0) return true;
  }
  return false;
}

}  // namespace

bool PlausiblePicture(const StoredPicture& p, const uint8_t* b, size_t n) {
  if (p.deflated) return n >= 2 && (b[0] & 0x0F) == 8 && ((b[0] << 8) | b[1]) % 31 == 0;
  switch (p.kind) {
    case Kind::kJpeg: return n >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF;
    case Kind::kPng: return n >= 8 && std::memcmp(b, "\x89PNG\r\n\x1a\n", 8) == 0;
    case Kind::kBmp: return n >= 16 && DibHeaderSize(b, n) > 0;
    case Kind::kEmf: return n >= 44 && b[0] == 1 && b[1] == 0 && std::memcmp(b + 40, " EMF", 4) == 0;
    case Kind::kWmf: return n >= 18 && BareWmfHeader(b, n);
    default: break;
  }
  if (p.ext == "tif") return n >= 4 && (std::memcmp(b, "II*\0", 4) == 0 || std::memcmp(b, "MM\0*", 4) == 0);
  return n > 0;
}

Status ProbeStoredPicture(SourceFile& file, YieldClock* clock, StoredPicture* p) {
  std::string first;
  PngCheck png;
  bool zeroSector = false;
  uint8_t last[2] = {};
  const Sink sink = [&](std::string_view bytes) {
    if (first.size() < kFirstBytes) first.append(bytes.substr(0, kFirstBytes - first.size()));
    if (p->kind == Kind::kPng) png.feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (bytes.size() >= 2) {
      last[0] = uint8_t(bytes[bytes.size() - 2]);
      last[1] = uint8_t(bytes.back());
    } else if (!bytes.empty()) {
      last[0] = last[1];
      last[1] = uint8_t(bytes.back());
    }
    return Status::OK();
  };
  Producer producer(*p, sink);
  int64_t read = 0;
  Status status = ReadSpans(file, p->spans, clock, &read, [&](const uint8_t* d, size_t n, int64_t at) {
    if (p->kind == Kind::kJpeg && !p->deflated && !zeroSector) zeroSector = ZeroSector(d, n, at);
    return producer.feed(d, n);
  });
  if (!status.ok()) return status;
  const int64_t made = producer.produced();
  const auto* f = reinterpret_cast<const uint8_t*>(first.data());
  p->head = PictureHead(*p, f, first.size());
  p->size = int64_t(p->head.size()) + made;
  ReadPictureSize(*p, f, first.size(), &p->width, &p->height);
  // What is wrong with it, if anything: the first reason found.
  const int64_t located = [&] {
    int64_t sum = 0;
    for (const FileSpan& s : p->spans) sum += s.length;
    return sum;
  }();
  if (located < p->stored || read < located) {
    p->problem = "its last " + std::to_string(p->stored - std::min(read, located)) + " of " +
                 std::to_string(p->stored) + " bytes are lost";
#ifndef KW_HAVE_ZLIB
  } else if (p->deflated) {
    p->problem = "it is compressed, and this build of kwrecover cannot inflate it";
#endif
  } else if (p->deflated && (producer.failed() || !producer.ended())) {
    p->problem = "its compressed data is damaged after " + std::to_string(made) + " bytes";
  } else if (p->deflated && made != p->rawSize) {
    p->problem = "it inflates to " + std::to_string(made) + " bytes instead of " + std::to_string(p->rawSize);
  } else if (p->kind == Kind::kPng && !png.whole()) {
    p->problem = png.bad() ? "a checksum inside it does not match: part of it is damaged" : "it ends before its end";
  } else if (p->kind == Kind::kJpeg && !p->deflated && zeroSector) {
    p->problem = "a sector inside it is zeroed";
  } else if (p->kind == Kind::kJpeg && !p->deflated && !(last[0] == 0xFF && last[1] == 0xD9)) {
    p->problem = "it does not end where a JPEG ends";
  }
  p->partial = !p->problem.empty();
  return producer.status();
}

Status StoredPictureMaker::make(SourceFile& source, const Sink& out, YieldClock* clock) const {
  Status status = out(picture_.head);
  if (!status.ok()) return status;
  const int64_t want = picture_.size - int64_t(picture_.head.size());
  int64_t given = 0;
  const Sink counted = [&](std::string_view bytes) {
    bytes = bytes.substr(0, size_t(std::max<int64_t>(0, std::min<int64_t>(int64_t(bytes.size()), want - given))));
    given += int64_t(bytes.size());
    return bytes.empty() ? Status::OK() : out(bytes);
  };
  Producer producer(picture_, counted);
  int64_t read = 0;
  status = ReadSpans(source, picture_.spans, clock, &read,
                     [&](const uint8_t* d, size_t n, int64_t) { return producer.feed(d, n) && given < want; });
  if (!status.ok()) return status;
  if (!producer.status().ok()) return producer.status();
  if (given < want && clock && clock->stopped()) return Status::Invalid("The copy was cancelled.");
  if (given < want) {
    return Status::IOError("The picture could not be read again from the source: it changed since it was scanned.");
  }
  return Status::OK();
}

}  // namespace kw
