// Errors raised by the Windows layer, and how any error is described to a user.
// An error carries the name of its kind as users see it (EOSError, EComponentError), its message
// and the code address where it was raised.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace tolvane::win {

class ETolvaneError : public std::exception {
 public:
  ETolvaneError(std::wstring class_name, std::wstring message, const void* address);
  const char* what() const noexcept override { return narrow_.c_str(); }

  const std::wstring& ClassName() const { return class_name_; }
  const std::wstring& Message() const { return message_; }
  const void* Address() const { return address_; }

 private:
  std::wstring class_name_;
  std::wstring message_;
  std::string narrow_;
  const void* address_;
};

// EOSError: "Error de sistema. Código: <code>." and the system's text.
[[noreturn]] void RaiseOSError(DWORD code);

// EComponentError: "''<name>'' is not a valid component name".
[[noreturn]] void RaiseInvalidComponentName(const std::string& name);

struct ErrorDescription {
  std::wstring class_name;
  std::wstring message;
  const void* address = nullptr;
};

// Describes an error raised here or elsewhere (an EFOpenError of the configuration store, an
// exhausted memory); for errors that carry no address, fallback_address is used.
ErrorDescription DescribeError(const std::exception& error, const void* fallback_address);

}  // namespace tolvane::win
