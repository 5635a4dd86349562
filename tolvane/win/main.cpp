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

void RunMode(const CommandLine& commandLine, TTolvaneServ& service, EventLog& applicationLog) {
  const bool silent = commandLine.HasSwitch(L"SILENT");
  if (commandLine.HasSwitch(L"INSTALL")) {
    InstallService(service, silent);
  } else if (commandLine.HasSwitch(L"UNINSTALL")) {
    UninstallService(service, silent);
  } else {
    ServiceHost(service, applicationLog).Run();
  }
}

int RunProgram() {
  const std::string executablePath = ThisExecutablePath();
  const std::wstring moduleName = AnsiToWide(ExtractFileName(executablePath));
  EventLog applicationLog(moduleName);
  try {
    TKorConfig& store = GlobalConfig();
    TTolvaneServ service(store, executablePath);
    RunMode(CommandLine::OfThisProcess(), service, applicationLog);
    return kExitOk;
  } catch (const std::exception& error) {
    ReportStartupError(error, moduleName, reinterpret_cast<const void*>(&RunProgram), applicationLog);
    return kExitFailure;
  }
}

}  // namespace
}  // namespace tolvane::win

int main() { return tolvane::win::RunProgram(); }
