// SPDX-License-Identifier: Apache-2.0
#pragma once
// TextSpool: the sink the wizard gives a text job, so that a text of
// hundreds of MiB grows in an anonymous in-memory file instead of the heap.
//
// Writing a piece into the file copies it into fresh page-cache pages, which
// costs far less than growing (and first touching) a heap block of the same
// size; take() then maps the file read-only for the preview. Where no such
// file can be made (not Linux, or memfd_create refused) the text grows in a
// std::string instead. write() runs on the job's thread, take() after the
// job has ended; a write that cannot be stored throws std::bad_alloc, which
// RunJob turns into its "not enough memory" error.

#include <string>
#include <string_view>

#include "base/text_sink.h"
#include "ui/text_buffer.h"

namespace kw::ui {

class TextSpool final : public TextSink {
 public:
  TextSpool();
  ~TextSpool() override;
  TextSpool(const TextSpool&) = delete;
  TextSpool& operator=(const TextSpool&) = delete;

  void write(std::string_view piece) override;
  size_t size() const { return size_; }
  // The text written so far; the spool is empty afterwards (later writes
  // go to the heap).
  TextBuffer take();

 private:
  void closeFile();
  TextBuffer readBack() const;

  int fd_ = -1;
  size_t size_ = 0;
  std::string heap_;  // the text, when there is no file
};

}  // namespace kw::ui
