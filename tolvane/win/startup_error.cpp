#include "tolvane/win/startup_error.h"

#include <windows.h>

#include <cstdint>

#include "tolvane/win/errors.h"
#include "tolvane/win/event_log.h"
#include "tolvane/win/message_dialog.h"

namespace tolvane::win {
namespace {

// A code address as 16 upper-case hexadecimal digits.
std::wstring FormatAddress(const void* address) {
  static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  auto value = reinterpret_cast<std::uintptr_t>(address);
  std::wstring text(sizeof value * 2, L'0');
  for (auto digit = text.rbegin(); digit != text.rend(); ++digit, value >>= 4) *digit = kDigits[value & 0xF];
  return text;
}

// True when this process's window station is the visible one of a logged-on user.
bool HasVisibleDesktop() {
  USEROBJECTFLAGS flags{};
  DWORD needed = 0;
  if (!GetUserObjectInformationW(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags, &needed)) return true;
  return (flags.dwFlags & WSF_VISIBLE) != 0;
}

}  // namespace

std::wstring StartupErrorText(const std::exception& error, const std::wstring& module_name,
                              const void* fallback_address) {
  const ErrorDescription description = DescribeError(error, fallback_address);
  std::wstring text = L"Excepci\u00f3n " + description.class_name + L" en el m\u00f3dulo " + module_name + L" en " +
                      FormatAddress(description.address) + L".\r\n" + description.message;
  if (description.message.empty() || description.message.back() != L'.') text += L'.';
  return text;
}

void ReportStartupError(const std::exception& error, const std::wstring& module_name, const void* fallback_address,
                        EventLog& application_log) {
  const std::wstring text = StartupErrorText(error, module_name, fallback_address);
  if (HasVisibleDesktop()) {
    ShowMessageDialog(DialogIcon::Error, L"Error general en la aplicaci\u00f3n", text);
  } else {
    application_log.LogError(text);
  }
}

}  // namespace tolvane::win
