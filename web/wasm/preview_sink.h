// SPDX-License-Identifier: Apache-2.0
#pragma once
// PreviewSink: a job's text as the page shows and saves it, handed on in
// batches as the job goes: without its leading and trailing spaces (as
// PreviewText cuts them; kwrecover writes the same bytes), with its
// paragraphs and characters counted as CountText counts them for the
// summary line. Trailing spaces are held back until more text shows they
// are not the end. Memory stays at one batch, however long the text.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/text_preview.h"
#include "base/text_sink.h"
#include "base/text_stats.h"

namespace kw::web {

class PreviewSink final : public TextSink {
 public:
  using Deliver = std::function<void(std::string_view)>;
  explicit PreviewSink(Deliver deliver, size_t batch = size_t{256} << 10);

  void write(std::string_view piece) override;
  // Hands on what is left; the trailing spaces held back are dropped.
  void finish();
  // The counts of the text handed on (complete after finish()).
  TextStats stats() const;

 private:
  void emit(std::string_view bytes);
  void count(std::string_view bytes);
  void flush();

  Deliver deliver_;
  size_t batch_;
  std::string buffer_;
  PreviewTrim trim_;  // the text's leading and trailing spaces left out
  // The counts, as CountText makes them over the whole text.
  int64_t characters_ = 0;
  int64_t paragraphs_ = 0;
  bool lineHoldsText_ = false;
  bool afterCr_ = false;  // the last byte counted was a CR
};

}  // namespace kw::web
