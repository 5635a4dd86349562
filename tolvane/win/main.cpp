// Tolvane.exe: the watchdog service and its own installer.
//   /INSTALL [/SILENT]    registers the service, then ends
//   /UNINSTALL [/SILENT]  removes the service, then ends (ignored together with /INSTALL)
//   no switch             runs as the service process, started by the service control manager
// Switches begin with "/" or "-" and are compared without regard to letter case.
// An error at start-up ends the program with exit code 1.
#include <windows.h>

#include "tolvane/config_adm.h"
#include "tolvane/executable_path.h"
#include "tolvane/kor_tools.h"
#include "tolvane/win/command_line.h"
#include "tolvane/win/event_log.h"
#include "tolvane/win/service_host.h"
#include "tolvane/win/service_installer.h"
#include "tolvane/win/startup_error.h"
#include "tolvane/win/system_text.h"
#include "tolvane/win/tolvane_serv.h"

namespace tolvane::win {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;

void RunMode(const CommandLine& command_line, TTolvaneServ& service, EventLog& application_log) {
  const bool silent = command_line.HasSwitch(L"SILENT");
  if (command_line.HasSwitch(L"INSTALL")) {
    InstallService(service, silent);
  } else if (command_line.HasSwitch(L"UNINSTALL")) {
    UninstallService(service, silent);
  } else {
    ServiceHost(service, application_log).Run();
  }
}

int RunProgram() {
  const std::string executable_path = ThisExecutablePath();
  const std::wstring module_name = AnsiToWide(ExtractFileName(executable_path));
  EventLog application_log(module_name);
  try {
    TKorConfig& store = GlobalConfig();
    TTolvaneServ service(store, executable_path);
    RunMode(CommandLine::OfThisProcess(), service, application_log);
    return kExitOk;
  } catch (const std::exception& error) {
    ReportStartupError(error, module_name, reinterpret_cast<const void*>(&RunProgram), application_log);
    return kExitFailure;
  }
}

}  // namespace
}  // namespace tolvane::win

int main() { return tolvane::win::RunProgram(); }
