#pragma once

#include <string>
#include <utility>

namespace korvalind {

// The outcome of a fallible core operation. The core never throws across its interface: errors
// travel as values to the one place (command line or window) that shows them.
class [[nodiscard]] Status {
 public:
  enum class Code { kOk, kNotFound, kCorruption, kIoError, kInvalidArgument };

  Status() = default;
  static Status Ok() { return Status(); }
  static Status NotFound(std::string message) { return {Code::kNotFound, std::move(message)}; }
  static Status Corruption(std::string message) { return {Code::kCorruption, std::move(message)}; }
  static Status IoError(std::string message) { return {Code::kIoError, std::move(message)}; }
  static Status InvalidArgument(std::string message) {
    return {Code::kInvalidArgument, std::move(message)};
  }

  bool ok() const { return code_ == Code::kOk; }
  Code code() const { return code_; }
  // A complete sentence for the user, naming the file or input concerned.
  const std::string& message() const { return message_; }

 private:
  Status(Code code, std::string message) : code_(code), message_(std::move(message)) {}

  Code code_ = Code::kOk;
  std::string message_;
};

}  // namespace korvalind
