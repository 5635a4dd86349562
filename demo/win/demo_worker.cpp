// The demo's worker program for Tolvane (scripts/demo.sh): a stand-in for a real worker that
// shows it is alive by appending a line to its log every two seconds. Its log is
// demo_worker.log beside its executable. Started with the argument "hang" it writes nothing
// and just waits: a worker that hangs, which Tolvane finds by its stale log. Either way it
// ends by itself after ten minutes, so a demo that stops half-way leaves nothing running long.
#include <windows.h>

#include <string>

namespace {

constexpr DWORD kBeatMs = 2000;
constexpr int kBeats = 300;  // ten minutes

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

std::string Now() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  char text[16];
  wsprintfA(text, "%02u:%02u:%02u", t.wHour, t.wMinute, t.wSecond);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "hang") {
    Sleep(kBeatMs * kBeats);
    return 0;
  }
  wchar_t path[MAX_PATH + 1];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return 1;
  std::wstring log_path(path, length);
  log_path.erase(log_path.find_last_of(L'\\') + 1);
  log_path += L"demo_worker.log";

  const std::string pid = std::to_string(GetCurrentProcessId());
  for (int beat = 1; beat <= kBeats; ++beat) {
    AppendLine(log_path, Now() + " worker " + pid + " beat " + std::to_string(beat));
    Sleep(kBeatMs);
  }
  return 0;
}
