// A stand-in for the worker program that Tolvane keeps alive, for the Tolvane tests under Wine
// and the demo (scripts/demo.sh). Its log is its own executable path with ".log" appended. It
// appends "started <pid> <argument count> <command line>" at once, then "alive <pid>" every
// 200 ms, and ends by itself after 120 s so that a test that fails half-way leaves nothing
// running for long. Started with the one argument "hang" it writes nothing and waits for 120 s:
// a worker that hangs, which Tolvane finds by its stale log.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

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

// The arguments after the program's name.
std::vector<std::wstring> Arguments() {
  int count = 0;
  wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> arguments;
  if (words == nullptr) return arguments;
  for (int i = 1; i < count; ++i) arguments.emplace_back(words[i]);
  LocalFree(words);
  return arguments;
}

}  // namespace

int main() {
  constexpr DWORD kBeatMs = 200;
  constexpr int kBeats = 600;
  const std::vector<std::wstring> arguments = Arguments();
  if (arguments.size() == 1 && arguments[0] == L"hang") {
    Sleep(kBeatMs * kBeats);
    return 0;
  }
  wchar_t path[MAX_PATH + 1];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return 1;
  const std::wstring log_path = std::wstring(path, length) + L".log";
  const std::string pid = std::to_string(GetCurrentProcessId());

  AppendLine(log_path, "started " + pid + " " + std::to_string(arguments.size()) + " " + Utf8(GetCommandLineW()));
  for (int beat = 0; beat < kBeats; ++beat) {
    Sleep(kBeatMs);
    AppendLine(log_path, "alive " + pid);
  }
  return 0;
}
