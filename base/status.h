// SPDX-License-Identifier: Apache-2.0
#pragma once
// Status: the outcome of an operation that can fail on bad input or I/O.
//
// Errors are cheap values with a message a user can act on ("Cannot read
// "x.doc": no such file"); the core never throws across its interfaces.

#include <string>
#include <utility>

namespace kw {

class Status {
 public:
  Status() = default;  // OK
  static Status OK() { return Status(); }
  // The source (or another file) cannot be opened, read or used.
  static Status IOError(std::string message) { return Status(Code::kIOError, std::move(message)); }
  // The request itself is wrong (a picture that ends before it begins, ...),
  // or the input is not of the kind a reader reads.
  static Status Invalid(std::string message) { return Status(Code::kInvalid, std::move(message)); }
  // The input is password-protected: nothing can be read without the password.
  static Status Encrypted(std::string message) { return Status(Code::kEncrypted, std::move(message)); }

  bool ok() const { return code_ == Code::kOk; }
  bool isIOError() const { return code_ == Code::kIOError; }
  bool isInvalid() const { return code_ == Code::kInvalid; }
  bool isEncrypted() const { return code_ == Code::kEncrypted; }
  const std::string& message() const { return message_; }

 private:
  enum class Code { kOk, kIOError, kInvalid, kEncrypted };
  Status(Code code, std::string message) : code_(code), message_(std::move(message)) {}

  Code code_ = Code::kOk;
  std::string message_;
};

}  // namespace kw
