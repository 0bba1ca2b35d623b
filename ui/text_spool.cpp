// SPDX-License-Identifier: Apache-2.0
#include "ui/text_spool.h"

#include <cerrno>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace kw::ui {

TextSpool::TextSpool() {
#if defined(__linux__)
  fd_ = ::memfd_create("kwrecover-text", MFD_CLOEXEC);
#endif
}

TextSpool::~TextSpool() { closeFile(); }

void TextSpool::closeFile() {
#if defined(__linux__)
  if (fd_ >= 0) ::close(fd_);
#endif
  fd_ = -1;
}

void TextSpool::write(std::string_view piece) {
#if defined(__linux__)
  if (fd_ >= 0) {
    while (!piece.empty()) {
      const ssize_t n = ::write(fd_, piece.data(), piece.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw std::bad_alloc();  // the memory for the file ran out
      piece.remove_prefix(static_cast<size_t>(n));
      size_ += static_cast<size_t>(n);
    }
    return;
  }
#endif
  heap_.append(piece);
  size_ = heap_.size();
}

#if defined(__linux__)
TextBuffer TextSpool::readBack() const {
  // No address space for a mapping: read the file into the heap, or show
  // nothing when that fails too.
  try {
    std::string text(size_, '\0');
    size_t done = 0;
    while (done < size_) {
      const ssize_t n = ::pread(fd_, text.data() + done, size_ - done, static_cast<off_t>(done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    text.resize(done);
    return TextBuffer(std::move(text));
  } catch (const std::bad_alloc&) {
    return TextBuffer();
  }
}
#endif

TextBuffer TextSpool::take() {
  TextBuffer buffer(std::move(heap_));
  heap_.clear();
#if defined(__linux__)
  if (fd_ >= 0 && size_ > 0) {
    void* data = ::mmap(nullptr, size_, PROT_READ, MAP_SHARED, fd_, 0);
    if (data != MAP_FAILED) {
      buffer = TextBuffer::Mapped(static_cast<const char*>(data), size_);
    } else {
      buffer = readBack();
    }
  }
  closeFile();  // a mapping keeps its pages
#endif
  size_ = 0;
  return buffer;
}

}  // namespace kw::ui
