// SPDX-License-Identifier: Apache-2.0
#include "ui/text_buffer.h"

#include <utility>

#if defined(__unix__)
#include <sys/mman.h>
#endif

namespace kw::ui {

TextBuffer TextBuffer::Mapped(const char* data, size_t size) {
  TextBuffer buffer;
  buffer.mapped_ = data;
  buffer.mappedSize_ = size;
  return buffer;
}

TextBuffer::TextBuffer(TextBuffer&& other) noexcept
    : owned_(std::move(other.owned_)),
      mapped_(std::exchange(other.mapped_, nullptr)),
      mappedSize_(std::exchange(other.mappedSize_, 0)) {}

TextBuffer& TextBuffer::operator=(TextBuffer&& other) noexcept {
  if (this != &other) {
    unmap();
    owned_ = std::move(other.owned_);
    mapped_ = std::exchange(other.mapped_, nullptr);
    mappedSize_ = std::exchange(other.mappedSize_, 0);
  }
  return *this;
}

TextBuffer::~TextBuffer() { unmap(); }

void TextBuffer::unmap() {
#if defined(__unix__)
  if (mapped_ != nullptr) ::munmap(const_cast<char*>(mapped_), mappedSize_);
#endif
  mapped_ = nullptr;
  mappedSize_ = 0;
}

}  // namespace kw::ui
