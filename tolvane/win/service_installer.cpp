#include "tolvane/win/service_installer.h"

#include <windows.h>

#include <string>

#include "tolvane/win/errors.h"
#include "tolvane/win/handles.h"
#include "tolvane/win/message_dialog.h"
#include "tolvane/win/system_text.h"
#include "tolvane/win/tolvane_serv.h"

namespace tolvane::win {
namespace {

constexpr DWORD kManagerAllAccess = 0xF003F;  // SC_MANAGER_ALL_ACCESS
constexpr DWORD kServiceAllAccess = 0xF01FF;  // SERVICE_ALL_ACCESS
constexpr DWORD kOwnProcess = 0x10;           // SERVICE_WIN32_OWN_PROCESS
constexpr DWORD kAutoStart = 2;               // SERVICE_AUTO_START
constexpr DWORD kNormalErrorControl = 1;      // SERVICE_ERROR_NORMAL

ServiceHandle OpenManager() {
  ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, kManagerAllAccess));
  if (!manager) RaiseOSError(GetLastError());
  return manager;
}

// "<action> el servicio "<display name>", error: "<system error>"".
void ShowFailure(const wchar_t* action, const TTolvaneServ& service, DWORD error) {
  ShowMessageDialog(DialogIcon::Error, L"Error",
                    std::wstring(L"Error al ") + action + L" el servicio \"" + AnsiToWide(service.DisplayName()) +
                        L"\", error: \"" + OSErrorMessage(error) + L"\"");
}

void ShowSuccess(const wchar_t* text, bool silent) {
  if (!silent) ShowMessageDialog(DialogIcon::Information, L"Informaci\u00f3n", text);
}

}  // namespace

void InstallService(const TTolvaneServ& service, bool silent) {
  const ServiceHandle manager = OpenManager();
  // Quoted, so that a path with spaces can only ever name this program.
  const std::string command_line = "\"" + service.ExecutablePath() + "\"";
  const ServiceHandle created(CreateServiceA(manager.get(), service.Name().c_str(), service.DisplayName().c_str(),
                                             kServiceAllAccess, kOwnProcess, kAutoStart, kNormalErrorControl,
                                             command_line.c_str(), "", nullptr, "", nullptr, ""));
  if (!created) {
    ShowFailure(L"instalar", service, GetLastError());
    return;
  }
  ShowSuccess(L"Servicio instalado con \u00e9xito", silent);
}

void UninstallService(const TTolvaneServ& service, bool silent) {
  const ServiceHandle manager = OpenManager();
  const ServiceHandle existing(OpenServiceA(manager.get(), service.Name().c_str(), kServiceAllAccess));
  if (!existing || !DeleteService(existing.get())) {
    ShowFailure(L"desinstalar", service, GetLastError());
    return;
  }
  ShowSuccess(L"Servicio desinstalado con \u00e9xito", silent);
}

}  // namespace tolvane::win
