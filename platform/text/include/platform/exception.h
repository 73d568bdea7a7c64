#pragma once
// The framework's exception objects. Nothing of the programs' own throws; the
// framework's conversion error is the one exception that reaches the
// application's standard exception box.

#include <stdexcept>
#include <string>

namespace plat {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// A text that is no integer ("'%s' is not a valid integer value").
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// A character index outside a text.
class EStringIndexError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace plat
