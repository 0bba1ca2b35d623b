// SPDX-License-Identifier: Apache-2.0
#pragma once
// TextBuffer: read-only UTF-8 text that is either held in a std::string or
// mapped from a spool file (TextSpool), so the preview can show a job's
// text without copying it into the heap.
//
// Move-only; bytes() stays valid, at the same address, for the buffer's
// life (moving the buffer moves the ownership, not the bytes, for a
// mapping; for a std::string, a move keeps a long text's heap block).

#include <cstddef>
#include <string>
#include <string_view>

namespace kw::ui {

class TextBuffer {
 public:
  TextBuffer() = default;
  explicit TextBuffer(std::string text) : owned_(std::move(text)) {}
  // Takes over a read-only mapping of `size` bytes at `data` (from mmap).
  static TextBuffer Mapped(const char* data, size_t size);
  TextBuffer(TextBuffer&& other) noexcept;
  TextBuffer& operator=(TextBuffer&& other) noexcept;
  TextBuffer(const TextBuffer&) = delete;
  TextBuffer& operator=(const TextBuffer&) = delete;
  ~TextBuffer();

  std::string_view bytes() const { return mapped_ ? std::string_view(mapped_, mappedSize_) : owned_; }

 private:
  void unmap();

  std::string owned_;
  const char* mapped_ = nullptr;
  size_t mappedSize_ = 0;
};

}  // namespace kw::ui
