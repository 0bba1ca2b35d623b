#include "cli/preview_writer.h"

#include <cerrno>
#include <cstring>

namespace kw::cli {

PreviewWriter::~PreviewWriter() {
  if (out_ != nullptr && out_ != stdout) std::fclose(out_);
}

bool PreviewWriter::open() {
  if (out_ != nullptr) return true;
  if (error_ != 0) return false;
  out_ = path_.empty() ? stdout : std::fopen(path_.c_str(), "wb");
  if (out_ == nullptr) error_ = errno;
  return out_ != nullptr;
}

void PreviewWriter::emit(std::string_view bytes) {
  if (bytes.empty() || !open()) return;
  if (std::fwrite(bytes.data(), 1, bytes.size(), out_) != bytes.size() && error_ == 0) error_ = errno;
}

void PreviewWriter::emitSpaces(size_t count) {
  static const std::string kSpaces(4096, ' ');
  for (; count > 0; count -= std::min(count, kSpaces.size())) {
    emit(std::string_view(kSpaces).substr(0, std::min(count, kSpaces.size())));
  }
}

void PreviewWriter::write(std::string_view piece) {
  if (!started_) {
    const size_t first = piece.find_first_not_of(' ');
    if (first == std::string_view::npos) return;
    piece.remove_prefix(first);
    started_ = true;
  }
  const size_t last = piece.find_last_not_of(' ');
  if (last == std::string_view::npos) {
    heldSpaces_ += piece.size();
    return;
  }
  emitSpaces(heldSpaces_);
  emit(piece.substr(0, last + 1));
  heldSpaces_ = piece.size() - last - 1;
}

bool PreviewWriter::finish() {
  bool ok = open();
  if (ok && std::fflush(out_) != 0 && error_ == 0) error_ = errno;
  if (out_ != nullptr && out_ != stdout && std::fclose(out_) != 0 && error_ == 0) error_ = errno;
  if (out_ != stdout) out_ = nullptr;
  ok = error_ == 0;
  if (!ok) {
    std::fprintf(stderr, "kwrecover: Cannot write \"%s\": %s.\n", path_.empty() ? "standard output" : path_.c_str(),
                 std::strerror(error_));
  }
  return ok;
}

}  // namespace kw::cli
