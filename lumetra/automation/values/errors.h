// Errors raised by operations. At the automation boundary an error becomes a
// failing result code plus error information (see lumetra_com.h).
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace lumetra {

// An error with a message (UTF-8). It may carry a failing platform result code
// of its own (negative HRESULT) and a help context; both are 0 when absent.
class Error : public std::exception {
 public:
  explicit Error(std::string message, int32_t hresult = 0, int32_t help_context = 0)
      : message_(std::move(message)), hresult_(hresult), help_context_(help_context) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const noexcept { return message_; }
  int32_t hresult() const noexcept { return hresult_; }
  int32_t help_context() const noexcept { return help_context_; }

 private:
  std::string message_;
  int32_t hresult_;
  int32_t help_context_;
};

// A variant that cannot be converted to the requested kind.
class ConversionError : public Error {
 public:
  using Error::Error;
};

// A variant whose value lies outside the range of the requested kind.
class OverflowError : public Error {
 public:
  using Error::Error;
};

// A silent abort: no message for the user, its own result code at the boundary.
class AbortError : public std::exception {
 public:
  const char* what() const noexcept override { return "Operation aborted"; }
};

}  // namespace lumetra
