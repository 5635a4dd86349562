#include "lumetra/automation/win/error_box.h"

#include <windows.h>

#include "lumetra/automation/error_convention.h"

namespace lumetra::win {
namespace {

constexpr wchar_t kCaption[] = L"Lumetra";

void ShowErrorText(const wchar_t* text) noexcept {
  MessageBoxW(nullptr, text, kCaption, MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

// Receives the error information of the convention and shows its description.
class ErrorBoxReporter final : public ErrorReporter {
 public:
  bool Report(const ErrorInfo& info) noexcept override {
    const auto* text = reinterpret_cast<const wchar_t*>(info.description.c_str());
    ShowErrorText(info.description.empty() ? L"Unexpected error" : text);
    shown = true;
    return true;
  }
  bool shown = false;
};

}  // namespace

void ShowError(const std::wstring& message) noexcept { ShowErrorText(message.c_str()); }

void ShowCurrentException() noexcept {
  ErrorBoxReporter box;
  ReportCurrentException(box);
  if (!box.shown) ShowErrorText(L"Unexpected error");  // not even the message could be built
}

void WriteStandardError(const std::wstring& message) noexcept {
  const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  // At most 300 code units (900 bytes of UTF-8) and the line end, without allocating.
  char text[1024];
  const int units = static_cast<int>(message.size() < 300 ? message.size() : 300);
  int bytes = WideCharToMultiByte(CP_UTF8, 0, message.c_str(), units, text, 1000, nullptr, nullptr);  // 0 on failure
  text[bytes++] = '\r';
  text[bytes++] = '\n';
  DWORD written = 0;
  WriteFile(handle, text, static_cast<DWORD>(bytes), &written, nullptr);
}

}  // namespace lumetra::win
