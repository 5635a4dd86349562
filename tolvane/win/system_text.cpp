#include "tolvane/win/system_text.h"

namespace tolvane::win {
namespace {

constexpr DWORD kMessageFlags =
    FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY;

template <typename Char>
void TrimMessageEnd(std::basic_string<Char>& text) {
  while (!text.empty() && (text.back() <= Char(' ') || text.back() == Char('.'))) text.pop_back();
}

}  // namespace

std::wstring AnsiToWide(std::string_view text) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
  return wide;
}

std::string SystemErrorTextAnsi(DWORD code) {
  char buffer[1024];
  const DWORD length = FormatMessageA(kMessageFlags, nullptr, code, 0, buffer, sizeof buffer, nullptr);
  std::string text(buffer, length);
  TrimMessageEnd(text);
  return text;
}

std::wstring SystemErrorText(DWORD code) {
  wchar_t buffer[1024];
  const DWORD length =
      FormatMessageW(kMessageFlags, nullptr, code, 0, buffer, sizeof buffer / sizeof buffer[0], nullptr);
  std::wstring text(buffer, length);
  TrimMessageEnd(text);
  return text;
}

std::wstring OSErrorMessage(DWORD code) {
  return L"Error de sistema. C\u00f3digo: " + std::to_wstring(code) + L".\r\n" + SystemErrorText(code);
}

}  // namespace tolvane::win
