#include "lumetra/automation/win/module_path.h"

#include <windows.h>

namespace lumetra::win {

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  DWORD n = GetLongPathNameW(path.c_str(), nullptr, 0);
  if (n == 0) return path;
  std::wstring long_path(n, L'\0');
  n = GetLongPathNameW(path.c_str(), long_path.data(), n);
  if (n == 0 || n >= long_path.size()) return path;
  long_path.resize(n);
  return long_path;
}

std::wstring DirectoryOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring ServerCommand(const std::wstring& long_path) {
  if (long_path.find(L' ') == std::wstring::npos) return long_path;
  std::wstring short_path = long_path;
  DWORD n = GetShortPathNameW(long_path.c_str(), nullptr, 0);
  if (n != 0) {
    std::wstring buffer(n, L'\0');
    n = GetShortPathNameW(long_path.c_str(), buffer.data(), n);
    if (n != 0 && n < buffer.size()) {
      buffer.resize(n);
      short_path = buffer;
    }
  }
  if (short_path.find(L' ') == std::wstring::npos) return short_path;
  return L"\"" + short_path + L"\"";
}

}  // namespace lumetra::win
