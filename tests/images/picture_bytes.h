// SPDX-License-Identifier: Apache-2.0
#pragma once
// Byte strings for the image tests: pictures as the carvers see them (their
// markers around a body) and a scoped TMPDIR.

#include <cstdlib>
#include <optional>
#include <string>

namespace kw::test {

inline std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

// FF D8 FF E0 body FF D9: a JPEG as the carver finds it.
inline std::string Jpeg(const std::string& body = std::string(20, 'j')) {
  return B({0xFF, 0xD8, 0xFF, 0xE0}) + body + B({0xFF, 0xD9});
}

// The IEND chunk: its length, type and CRC.
inline std::string PngEnd() { return B({0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82}); }

// The PNG signature, body, and the IEND chunk (length, type, CRC).
inline std::string Png(const std::string& body = std::string(20, 'p')) {
  return B({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}) + body + PngEnd();
}

// Sets TMPDIR for the scope, restoring what was there.
class ScopedTmpDir {
 public:
  explicit ScopedTmpDir(const std::string& value) {
    if (const char* old = std::getenv("TMPDIR")) old_ = old;
    ::setenv("TMPDIR", value.c_str(), 1);
  }
  ~ScopedTmpDir() {
    if (old_) {
      ::setenv("TMPDIR", old_->c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }

 private:
  std::optional<std::string> old_;
};

}  // namespace kw::test
