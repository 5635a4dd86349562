#include "tolvane/win/tolvane_serv.h"

#include <windows.h>

#include "tolvane/config_adm.h"

namespace tolvane::win {
namespace {

std::string ReadInstanceSuffix(TKorConfig& store) {
  store.OpenFile("Tolvane.ini");
  store.SetSection("Tolvane");
  return store.ReadString("Instancia", "");
}

}  // namespace

void SystemSleeper::Sleep(std::chrono::milliseconds duration) { ::Sleep(static_cast<DWORD>(duration.count())); }

TTolvaneServ::TTolvaneServ(TKorConfig& store, std::string executable_path)
    : store_(store),
      executable_path_(std::move(executable_path)),
      names_(MakeServiceNames(ReadInstanceSuffix(store))) {}

void TTolvaneServ::Execute(ControlRequestQueue& requests, StatusReporter& status) {
  guard_.emplace(GuardServices{store_, *processes_, clock_, files_}, executable_path_);
  ServiceLoop loop(*guard_, sleeper_, requests, status);
  loop.Run();
  loop.PumpControlRequests();
}

}  // namespace tolvane::win
