// A stand-in for the worker program that Tolvane keeps alive, for the tests under Wine. It takes
// no arguments: its log is its own executable path with ".log" appended. It appends
// "started <pid> <argument count> <command line>" at once, then "alive <pid>" every 200 ms, and
// ends by itself after 120 s so that a test that fails half-way leaves nothing running for long.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size = static_cast<int>(text.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

void AppendLine(const std::wstring& log_path, const std::string& line) {
  const HANDLE file =
      CreateFileW(log_path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\r\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

int ArgumentCount() {
  int count = 0;
  HLOCAL words = CommandLineToArgvW(GetCommandLineW(), &count);
  LocalFree(words);
  return count - 1;
}

}  // namespace

int main() {
  wchar_t path[MAX_PATH + 1];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return 1;
  const std::wstring log_path = std::wstring(path, length) + L".log";
  const std::string pid = std::to_string(GetCurrentProcessId());

  AppendLine(log_path, "started " + pid + " " + std::to_string(ArgumentCount()) + " " + Utf8(GetCommandLineW()));
  for (int beat = 0; beat < 600; ++beat) {
    Sleep(200);
    AppendLine(log_path, "alive " + pid);
  }
  return 0;
}
