// SPDX-License-Identifier: Apache-2.0
#include "formats/images/image_extraction.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "base/byte_search.h"
#include "base/message_text.h"
#include "base/output_file.h"
#include "base/source_file.h"
#include "base/yield_clock.h"

namespace kw {

namespace {

constexpr size_t kCopyBuffer = 8 << 20;  // per step of the copy

Status CannotWrite(const std::string& path, int error) { return kw::CannotWrite(path, ErrnoText(error)); }

// What one extraction reads: the open source and the span to copy.
struct Span {
  SourceFile source;
  int32_t first = 0;
  int32_t last = 0;  // eMark, which may lie past the end of the source
};

Status OpenSpan(const std::string& sourcePath, const PictureRecord& picture, const FileIdentity& scanned, Span* span) {
  const std::string first = std::to_string(picture.firstByte);
  const std::string last = std::to_string(picture.lastByte);
  if (picture.firstByte < 1 || picture.firstByte > INT32_MAX) {
    return Status::Invalid("The picture's first byte " + first +
                           " is not a position in the file; nothing was extracted.");
  }
  if (picture.lastByte < picture.firstByte) {
    return Status::Invalid("This entry ends (byte " + last + ") before it begins (byte " + first +
                           "): its start and end markers belong to different pictures, so there is "
                           "nothing to extract.");
  }
  Status status = SourceFile::Open(sourcePath, &span->source);
  if (!status.ok()) return status;
  if (scanned.known && !(span->source.identity() == scanned)) {
    return Status::Invalid(Quoted(sourcePath) +
                           " is no longer the file that was scanned (it was replaced or "
                           "renamed since); nothing was extracted. Scan it again.");
  }
  if (picture.firstByte > span->source.size()) {
    return Status::Invalid("The picture begins at byte " + first + ", past the end of " + Quoted(sourcePath) + " (" +
                           std::to_string(span->source.size()) + " bytes): the file has changed since it was scanned.");
  }
  span->first = static_cast<int32_t>(picture.firstByte);
  span->last = static_cast<int32_t>(std::min<int64_t>(picture.lastByte, INT32_MAX));
  return Status::OK();
}

// Copies up to `length` bytes at the 1-based `pos` of the source into `fd`
// inside the kernel. Returns the bytes copied (0 at the end of the source),
// or -1 when the system cannot copy between these two files this way.
int64_t CopyInKernel(int sourceFd, int64_t pos, int fd, size_t length) {
#if defined(__EMSCRIPTEN__)
  (void)sourceFd, (void)pos, (void)fd, (void)length;
  errno = ENOSYS;  // the browser has no kernel to copy in
  return -1;
#else
  if (sourceFd < 0) return -1;
  loff_t offset = pos - 1;
  while (true) {
    const ssize_t n = ::copy_file_range(sourceFd, &offset, fd, nullptr, length, 0);
    if (n >= 0) return n;
    if (errno != EINTR) return -1;
  }
#endif
}

// Writes `bytes` to `fd` (`path` names it in messages).
Status WriteAll(int fd, std::string_view bytes, const std::string& path) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return CannotWrite(path, errno);
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return Status::OK();
}

// Copies the span into `fd` (`outPath` names it in messages): inside the
// kernel where the system allows it, else through a buffer.
Status CopySpan(Span& span, int fd, const std::string& outPath, JobProgress* progress) {
  std::optional<YieldClock> clock;
  if (progress != nullptr) clock.emplace(*progress);
  // The copy reads the descriptor that was opened (and checked), never the path again.
  const int sourceFd = span.source.fd();
  bool inKernel = sourceFd >= 0;
  std::vector<uint8_t> buffer;
  const int64_t end = std::min<int64_t>(span.last, span.source.size());
  int64_t pos = span.first;
  Status status;
  while (pos <= end && status.ok()) {
    const size_t want = static_cast<size_t>(std::min<int64_t>(end - pos + 1, static_cast<int64_t>(kCopyBuffer)));
    int64_t n = inKernel ? CopyInKernel(sourceFd, pos, fd, want) : -1;
    if (n < 0 && inKernel && errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
      status = CannotWrite(outPath, errno);
      break;
    }
    if (n < 0) {
      inKernel = false;
      buffer.resize(kCopyBuffer);
      n = span.source.readAt(pos, buffer.data(), want);
      if (n < 0) {
        status = span.source.lastError();
        break;
      }
      status =
          WriteAll(fd, std::string_view(reinterpret_cast<const char*>(buffer.data()), static_cast<size_t>(n)), outPath);
    }
    if (n == 0) break;  // the source shrank
    pos += n;
    if (clock) clock->tick();
  }
  return status;
}

// A picture that is made again from the source (one inside a package): the
// source is opened, and must still be the file that was scanned.
Status OpenMaker(const std::string& sourcePath, const FileIdentity& scanned, Span* span) {
  Status status = SourceFile::Open(sourcePath, &span->source);
  if (!status.ok()) return status;
  if (!scanned.known || !(span->source.identity() == scanned)) {
    return Status::Invalid(Quoted(sourcePath) +
                           " is no longer the file that was scanned (it was replaced or "
                           "renamed since); nothing was extracted. Scan it again.");
  }
  return Status::OK();
}

// The picture into `fd`: its own bytes, made again from the source, or its span of the source.
Status WritePicture(Span& span, const PictureRecord& picture, int fd, const std::string& path, JobProgress* progress) {
  if (picture.maker) {
    std::optional<YieldClock> clock;
    if (progress != nullptr) clock.emplace(*progress);
    return picture.maker->make(
        span.source, [&](std::string_view bytes) { return WriteAll(fd, bytes, path); }, clock ? &*clock : nullptr);
  }
  return picture.hasBytes ? WriteAll(fd, picture.bytes, path) : CopySpan(span, fd, path, progress);
}

// Opens what the picture is copied from, when it is not its own bytes.
Status OpenPictureSource(const std::string& sourcePath, const PictureRecord& picture, const FileIdentity& scanned,
                         Span* span) {
  if (picture.maker) return OpenMaker(sourcePath, scanned, span);
  return picture.hasBytes ? Status::OK() : OpenSpan(sourcePath, picture, scanned, span);
}

// Writes the picture into the file just created at `path` (open as `fd`);
// removes that file again when anything fails.
Status FillNewFile(Span& span, const PictureRecord& picture, int fd, const std::string& path, JobProgress* progress) {
  Status status = WritePicture(span, picture, fd, path, progress);
  if (::close(fd) != 0 && status.ok()) status = CannotWrite(path, errno);
  if (!status.ok()) ::unlink(path.c_str());
  return status;
}

Status CopyToWorkingFile(const std::string& sourcePath, const FileIdentity& scanned, const PictureRecord& picture,
                         std::string* savedPath, JobProgress* progress) {
  // Window events run before the source is opened, before the working file
  // is made, before the copy and after it.
  const auto letEventsRun = [progress] {
    if (progress != nullptr) progress->yield();
  };
  letEventsRun();
  Span span;
  Status opened = OpenPictureSource(sourcePath, picture, scanned, &span);
  if (!opened.ok()) return opened;
  letEventsRun();
  const std::string path = GetTempFile("sqm");
  if (path.empty()) {
    return Status::IOError(
        "Cannot make a working file for the picture in the temporary folder (TMPDIR, else /tmp): "
        "check that it exists and can be written.");
  }
  // No O_TRUNC: the file is new, and truncating makes some file systems flush at close.
  const int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    ::unlink(path.c_str());
    return CannotWrite(path, error);
  }
  letEventsRun();
  const Status status = FillNewFile(span, picture, fd, path, progress);
  letEventsRun();
  if (!status.ok()) return status;
  *savedPath = path;
  return Status::OK();
}

Status CopyToDestination(const std::string& sourcePath, const FileIdentity& scanned, const PictureRecord& picture,
                         int folder, const std::string& folderPath, const std::string& name, bool overwrite,
                         JobProgress* progress) {
  Span span;
  Status opened = OpenPictureSource(sourcePath, picture, scanned, &span);
  if (!opened.ok()) return opened;
  OutputFile::Options options;
  options.link = OutputFile::Link::kRefuse;  // a link there is left as it is, never followed nor replaced
  options.mode = 0644;
  options.replaceExisting = overwrite;
  options.folder = folder;
  options.folderPath = folderPath;
  options.source = picture.hasBytes && !picture.maker ? IdentityOf(sourcePath) : span.source.identity();
  options.sourcePath = sourcePath;
  struct stat st {};
  if (!overwrite && ::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    const std::string shown = folder == AT_FDCWD || folderPath.empty() ? name : folderPath + "/" + name;
    return Status::IOError("Not overwriting " + Quoted(shown) + ": it already exists.");
  }
  OutputFile out;
  Status status = out.open(name, options);
  if (!status.ok()) return status;
  status = WritePicture(span, picture, out.fd(), out.destination(), progress);
  return status.ok() ? out.commit() : status;
}

// The copy buffer and the paths are the only allocations; running out of
// memory for them is an error like any other.
template <typename Copy>
Status WithinMemory(Copy&& copy) {
  try {
    return copy();
  } catch (const std::bad_alloc&) {
    return Status::IOError("Not enough memory to copy the picture: close other programs and try again.");
  }
}

}  // namespace

Status SaveImages(const std::string& sourcePath, const FileIdentity& scanned, const PictureRecord& picture,
                  std::string* savedPath, JobProgress* progress) {
  return WithinMemory([&] { return CopyToWorkingFile(sourcePath, scanned, picture, savedPath, progress); });
}

Status ExtractImage(const std::string& sourcePath, const FileIdentity& scanned, const PictureRecord& picture,
                    const std::string& destination, bool overwrite, JobProgress* progress) {
  return ExtractImageAt(AT_FDCWD, {}, destination, sourcePath, scanned, picture, overwrite, progress);
}

Status ExtractImageAt(int folder, const std::string& folderPath, const std::string& name, const std::string& sourcePath,
                      const FileIdentity& scanned, const PictureRecord& picture, bool overwrite,
                      JobProgress* progress) {
  return WithinMemory(
      [&] { return CopyToDestination(sourcePath, scanned, picture, folder, folderPath, name, overwrite, progress); });
}

}  // namespace kw
