// TTolvaneServ: the service module. Construction opens "Tolvane.ini" in the store, selects the
// section "Tolvane" and reads the instance suffix "Instancia" (default empty) once: the service
// is TolvaneServ<suffix>, shown as "KORVA - Tolvane <suffix>", for installing, removing and
// running alike. A suffix that does not make an identifier fails the construction.
//
// Execute() is the work of the service thread once it runs: ServiceExecute (the guard is created
// and reads its settings, the main loop runs, the worker is terminated when the loop ends) and
// then the control requests that are still waiting. The guard lives as long as the service object.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "tolvane/process_control.h"
#include "tolvane/system_time.h"
#include "tolvane/tolvane_guard.h"
#include "tolvane/tolvane_main.h"
#include "tolvane/win/service_names.h"

namespace tolvane {
class TKorConfig;
}

namespace tolvane::win {

// The one-second pass of the main loop.
class SystemSleeper final : public Sleeper {
 public:
  void Sleep(std::chrono::milliseconds duration) override;
};

class TTolvaneServ {
 public:
  TTolvaneServ(TKorConfig& store, std::string executable_path);
  TTolvaneServ(const TTolvaneServ&) = delete;
  TTolvaneServ& operator=(const TTolvaneServ&) = delete;

  const std::string& Name() const { return names_.name; }
  const std::string& DisplayName() const { return names_.display_name; }
  const std::string& ExecutablePath() const { return executable_path_; }

  // Runs on the service thread; errors go to the caller, after the worker was terminated.
  void Execute(ControlRequestQueue& requests, StatusReporter& status);

 private:
  TKorConfig& store_;
  std::string executable_path_;
  ServiceNames names_;
  std::unique_ptr<ProcessControl> processes_ = MakeSystemProcessControl();
  SystemLocalClock clock_;
  SystemFileTimes files_;
  SystemSleeper sleeper_;
  std::optional<TolvaneGuard> guard_;
};

}  // namespace tolvane::win
