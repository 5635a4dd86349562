// Registering and removing the service with the service control manager.
// Install: the service TolvaneServ<suffix> with its display name, own process (0x10), automatic
// start (2), normal error control (1), run as LocalSystem, and the executable's full path in
// double quotes as its command line. Uninstall: the service of that name is deleted (a running
// service is not stopped first).
// A manager that cannot be opened raises EOSError. A service that cannot be created or deleted is
// reported in the dialog "Error"; success in the dialog "Información" unless silent.
#pragma once

namespace tolvane::win {

class TTolvaneServ;

void InstallService(const TTolvaneServ& service, bool silent);
void UninstallService(const TTolvaneServ& service, bool silent);

}  // namespace tolvane::win
