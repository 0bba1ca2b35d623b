#pragma once
// PreviewWriter: writes a job's text as the preview box would show it (no
// leading or trailing spaces) to a file or stdout, taking the text in pieces.
//
// The output is opened at the first character to write, so a job that fails
// before producing text leaves no file behind. Trailing spaces of a piece are
// held back until a later piece shows they are not the end.

#include <cstdio>
#include <string>
#include <string_view>

#include "engine/text_sink.h"

namespace kw::cli {

class PreviewWriter : public TextSink {
 public:
  // `path` empty: standard output.
  explicit PreviewWriter(std::string path) : path_(std::move(path)) {}
  ~PreviewWriter() override;

  void write(std::string_view piece) override;
  // Closes the output (creating an empty file when nothing was written).
  // False, after one line on stderr, when anything could not be written.
  bool finish();

 private:
  void emit(std::string_view bytes);
  void emitSpaces(size_t count);
  bool open();

  std::string path_;
  std::FILE* out_ = nullptr;
  bool started_ = false;  // a character other than a space was written
  size_t heldSpaces_ = 0;
  int error_ = 0;
};

}  // namespace kw::cli
