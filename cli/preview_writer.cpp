// SPDX-License-Identifier: Apache-2.0
#include "cli/preview_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "base/message_text.h"
#include "cli/command.h"

namespace kw::cli {

namespace {
constexpr size_t kBufferSize = 1 << 18;
}  // namespace

PreviewWriter::~PreviewWriter() = default;  // an unfinished file is abandoned

bool PreviewWriter::fail(const Status& status) {
  if (error_.ok()) error_ = status;
  file_.abandon();
  return false;
}

bool PreviewWriter::start() {
  if (path_.empty() || file_.isOpen()) return true;
  OutputFile::Options options;
  options.sourcePath = sourcePath_;
  const Status status = file_.open(path_, options);
  if (status.ok()) return true;
  PrintError(status);
  error_ = status;
  reported_ = true;
  return false;
}

void PreviewWriter::flush() {
  if (buffer_.empty() || !error_.ok()) return;
  writeOut(buffer_);
  buffer_.clear();
}

void PreviewWriter::writeOut(std::string_view bytes) {
  if (path_.empty()) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) {
      fail(CannotWrite("standard output", ErrnoText(errno)));
    }
  } else if (!start()) {
    // start() has said why.
  } else if (const Status status = file_.write(bytes); !status.ok()) {
    fail(status);
  }
}

void PreviewWriter::emit(std::string_view bytes) {
  if (bytes.empty() || !error_.ok()) return;
  if (bytes.size() >= kBufferSize) {  // a long text goes out as it is, never copied whole
    flush();
    if (error_.ok()) writeOut(bytes);
    return;
  }
  buffer_.append(bytes);
  if (buffer_.size() >= kBufferSize) flush();
}

void PreviewWriter::write(std::string_view piece) {
  trim_.write(piece, [this](std::string_view bytes) { emit(bytes); });
}

bool PreviewWriter::finish() {
  flush();
  if (error_.ok() && path_.empty() && std::fflush(stdout) != 0)
    error_ = CannotWrite("standard output", ErrnoText(errno));
  if (error_.ok() && !path_.empty() && start()) {
    if (const Status status = file_.commit(); !status.ok()) error_ = status;
  }
  if (error_.ok()) return true;
  if (reported_) return false;
  reported_ = true;
  PrintError(error_);
  return false;
}

}  // namespace kw::cli
