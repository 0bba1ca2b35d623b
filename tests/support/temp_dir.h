// SPDX-License-Identifier: Apache-2.0
#pragma once
// TempDir: a fresh folder for one test, removed with everything in it.

#include <initializer_list>
#include <string>
#include <string_view>

namespace kw::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // Writes `bytes` to the file `name` in the folder; returns its path.
  std::string write(const std::string& name, std::string_view bytes) const;

 private:
  std::string path_;
};

// The whole content of a file ("" when it cannot be read).
std::string ReadFile(const std::string& path);

// `n` copies of byte `b`.
inline std::string Bytes(size_t n, char b) { return std::string(n, b); }
inline std::string Bytes(std::initializer_list<int> bytes) {
  std::string out;
  for (const int b : bytes) out += static_cast<char>(b);
  return out;
}

}  // namespace kw::test
