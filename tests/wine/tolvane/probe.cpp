// What a user or an administrator sees, read through the system for the tests under Wine:
//   tolvane_wine_probe qc NAME        the service's configuration as the service control manager
//                                     holds it, one "FIELD: value" line each, as "sc qc" lists it;
//                                     exit code 1 when there is no such service
//   tolvane_wine_probe control NAME CODE
//                                     sends a control code (pause 2, continue 3, interrogate 4) as
//                                     "sc pause" and "sc continue" do, and prints "STATE: n" from
//                                     the status the manager answers with; exit code 1 on failure
//   tolvane_wine_probe dialog TITLE   the text and the button of the message box with that title,
//                                     as "TEXT: ..." and "BUTTON: ..."; exit code 1 when none is open
// Output is UTF-8.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Print(const std::wstring& text) {
  const std::wstring line = text + L"\n";
  const int size = static_cast<int>(line.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, line.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.data(), size, utf8.data(), length, nullptr, nullptr);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

std::wstring Number(DWORD value) { return std::to_wstring(value); }

int QueryConfig(const std::wstring& name) {
  const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  const SC_HANDLE service = manager ? OpenServiceW(manager, name.c_str(), SERVICE_QUERY_CONFIG) : nullptr;
  int result = 1;
  DWORD needed = 0;
  if (service != nullptr) {
    QueryServiceConfigW(service, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (QueryServiceConfigW(service, config, needed, &needed)) {
      Print(L"SERVICE_NAME: " + name);
      Print(L"TYPE: " + Number(config->dwServiceType));
      Print(L"START_TYPE: " + Number(config->dwStartType));
      Print(L"ERROR_CONTROL: " + Number(config->dwErrorControl));
      Print(L"BINARY_PATH_NAME: " + std::wstring(config->lpBinaryPathName));
      Print(L"LOAD_ORDER_GROUP: " + std::wstring(config->lpLoadOrderGroup ? config->lpLoadOrderGroup : L""));
      Print(L"DEPENDENCIES: " + std::wstring(config->lpDependencies ? config->lpDependencies : L""));
      Print(L"DISPLAY_NAME: " + std::wstring(config->lpDisplayName));
      Print(L"SERVICE_START_NAME: " + std::wstring(config->lpServiceStartName ? config->lpServiceStartName : L""));
      result = 0;
    }
  }
  if (result != 0) Print(L"ERROR: " + Number(GetLastError()));
  if (service) CloseServiceHandle(service);
  if (manager) CloseServiceHandle(manager);
  return result;
}

int SendControl(const std::wstring& name, DWORD code) {
  const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  const SC_HANDLE service =
      manager ? OpenServiceW(manager, name.c_str(), SERVICE_PAUSE_CONTINUE | SERVICE_INTERROGATE | SERVICE_STOP)
              : nullptr;
  SERVICE_STATUS status{};
  const bool sent = service != nullptr && ControlService(service, code, &status);
  Print(sent ? L"STATE: " + Number(status.dwCurrentState) : L"ERROR: " + Number(GetLastError()));
  if (service) CloseServiceHandle(service);
  if (manager) CloseServiceHandle(manager);
  return sent ? 0 : 1;
}

std::wstring ItemText(HWND dialog, int id) {
  wchar_t text[2048] = L"";
  GetDlgItemTextW(dialog, id, text, 2048);
  return text;
}

int ReadDialog(const std::wstring& title) {
  const HWND dialog = FindWindowW(L"#32770", title.c_str());
  if (dialog == nullptr || !IsWindowVisible(dialog)) return 1;
  constexpr int kMessageBoxText = 0xFFFF;
  Print(L"TEXT: " + ItemText(dialog, kMessageBoxText));
  Print(L"BUTTON: " + ItemText(dialog, IDOK));
  return 0;
}

}  // namespace

int main() {
  int count = 0;
  wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
  int result = 2;
  if (count == 3 && lstrcmpW(words[1], L"qc") == 0) result = QueryConfig(words[2]);
  if (count == 4 && lstrcmpW(words[1], L"control") == 0) result = SendControl(words[2], _wtoi(words[3]));
  if (count == 3 && lstrcmpW(words[1], L"dialog") == 0) result = ReadDialog(words[2]);
  LocalFree(words);
  return result;
}
