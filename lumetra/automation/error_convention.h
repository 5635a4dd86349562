// How a failure leaves an automation call: an error that escapes an operation
// becomes a failing result code and error information. The code is the
// error's own failing platform code when it carries one, kAbortResult for a
// silent abort, else kUnexpected; the information names the server as source
// and carries the error's message and help context.
#pragma once

#include <cstdint>

#include "lumetra/automation/values/wide_string.h"

namespace lumetra {

using HResult = int32_t;
inline constexpr HResult kOk = 0;
inline constexpr HResult kUnexpected = static_cast<HResult>(0x8000FFFF);
inline constexpr HResult kAbortResult = static_cast<HResult>(0xA0004004);

inline constexpr char16_t kProgId[] = u"Lumetra.LumetraCOM";

struct ErrorInfo {
  WideString source;       // always kProgId
  WideString description;  // the error's message; empty when it has none
  int32_t help_context = 0;
};

// Receives the error information of a failed call (on Windows: the thread's
// error object). Returns false when the error object could not be created.
class ErrorReporter {
 public:
  virtual ~ErrorReporter() = default;
  virtual bool Report(const ErrorInfo& info) noexcept = 0;
};

// Turns the exception being handled into a result code and reports it.
// Call only from inside a catch block.
HResult ReportCurrentException(ErrorReporter& reporter) noexcept;

// Runs an operation under the convention: kOk, or the failure's result code.
template <typename Operation>
HResult GuardedCall(ErrorReporter& reporter, Operation&& operation) noexcept {
  try {
    operation();
    return kOk;
  } catch (...) {
    return ReportCurrentException(reporter);
  }
}

}  // namespace lumetra
