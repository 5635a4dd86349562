#include "tolvane/win/errors.h"

#include <new>

#include "tolvane/file_access.h"
#include "tolvane/win/system_text.h"

namespace tolvane::win {
namespace {

std::string WideToAnsi(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size = static_cast<int>(text.size());
  const int length = WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
  return narrow;
}

}  // namespace

ETolvaneError::ETolvaneError(std::wstring class_name, std::wstring message, const void* address)
    : class_name_(std::move(class_name)),
      message_(std::move(message)),
      narrow_(WideToAnsi(message_)),
      address_(address) {}

// noinline: the return address is the code that asked for the error to be raised.
__attribute__((noinline)) void RaiseOSError(DWORD code) {
  throw ETolvaneError(L"EOSError", OSErrorMessage(code), __builtin_return_address(0));
}

__attribute__((noinline)) void RaiseInvalidComponentName(const std::string& name) {
  throw ETolvaneError(L"EComponentError", L"''" + AnsiToWide(name) + L"'' is not a valid component name",
                      __builtin_return_address(0));
}

ErrorDescription DescribeError(const std::exception& error, const void* fallback_address) {
  if (const auto* own = dynamic_cast<const ETolvaneError*>(&error)) {
    return {own->ClassName(), own->Message(), own->Address()};
  }
  if (dynamic_cast<const EFOpenError*>(&error) != nullptr) {
    return {L"EFOpenError", AnsiToWide(error.what()), fallback_address};
  }
  if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) {
    return {L"EOutOfMemory", L"Out of memory", fallback_address};
  }
  return {L"Exception", AnsiToWide(error.what()), fallback_address};
}

}  // namespace tolvane::win
