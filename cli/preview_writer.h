// SPDX-License-Identifier: Apache-2.0
#pragma once
// PreviewWriter: writes a job's text as the preview box would show it (no
// leading or trailing spaces) to a file or stdout, taking the text in pieces.
//
// A file is written through an OutputFile (a new temporary file renamed over
// OUT by finish()), so a job that fails or is stopped leaves OUT as it was,
// and the document being recovered is never written. Trailing spaces of a
// piece are held back until a later piece shows they are not the end.

#include <string>
#include <string_view>

#include "base/output_file.h"
#include "base/status.h"
#include "base/text_preview.h"
#include "base/text_sink.h"

namespace kw::cli {

class PreviewWriter : public TextSink {
 public:
  // `path` empty: standard output. `sourcePath`: the document being recovered.
  explicit PreviewWriter(std::string path, std::string sourcePath = {})
      : path_(std::move(path)), sourcePath_(std::move(sourcePath)) {}
  ~PreviewWriter() override;

  void write(std::string_view piece) override;
  // Opens the output before any text exists, so that a destination that
  // cannot be written (or is the source) is refused before the job runs.
  // False, after one line on stderr, when it cannot be opened.
  bool start();
  // Closes the output (creating an empty file when nothing was written).
  // False, after one line on stderr, when anything could not be written.
  bool finish();

 private:
  void emit(std::string_view bytes);
  void flush();
  void writeOut(std::string_view bytes);
  bool fail(const Status& status);

  std::string path_;
  std::string sourcePath_;
  OutputFile file_;
  std::string buffer_;  // bytes not yet handed to the file
  PreviewTrim trim_;    // the text's leading and trailing spaces left out
  Status error_;
  bool reported_ = false;  // error_ was printed
};

}  // namespace kw::cli
