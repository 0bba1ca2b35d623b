// SPDX-License-Identifier: Apache-2.0
#pragma once
// TextSink: where a text engine may hand over the recovered text piece by
// piece as it grows, instead of keeping it whole in the job state's text.
//
// A front end that only writes the text out (the CLI) offers one in its
// JobRequest (JobRequest::textSink, passed on in JobContext::textSink); the
// engine then moves every piece it has built into the sink, in order, and
// leaves the job state's text empty at the end. Without a sink the whole
// text stays in the job state, as the wizard needs it.

#include <string_view>

namespace kw {

class TextSink {
 public:
  virtual ~TextSink() = default;
  virtual void write(std::string_view piece) = 0;
};

}  // namespace kw
