// Status reports to the service control manager. Every report carries service type 0x10, the
// controls accepted (none while start pending, otherwise stop, pause/continue and shutdown),
// a wait hint of 5000 ms and exit codes 0. The check point is 0, except for a pending status
// equal to the one reported before, which gets the previous check point plus one; before the
// first report the service counts as start pending with check point 0.
// A refused report is written to the service's event log with the system's text.
#pragma once

#include <windows.h>

#include "tolvane/tolvane_main.h"

namespace tolvane::win {

class EventLog;

// The check-point rule on its own.
class CheckPoints {
 public:
  DWORD Next(ServiceStatus status);

 private:
  ServiceStatus previous_ = ServiceStatus::StartPending;
  DWORD check_point_ = 0;
};

class ServiceStatusReporter final : public StatusReporter {
 public:
  ServiceStatusReporter(SERVICE_STATUS_HANDLE handle, EventLog& service_log);

  void ReportStatus(ServiceStatus status) override;
  ServiceStatus CurrentStatus() const override { return current_; }

 private:
  SERVICE_STATUS_HANDLE handle_;
  EventLog& service_log_;
  CheckPoints check_points_;
  ServiceStatus current_ = ServiceStatus::StartPending;
};

}  // namespace tolvane::win
