#include "tolvane/win/service_status_reporter.h"

#include "tolvane/win/event_log.h"
#include "tolvane/win/system_text.h"

namespace tolvane::win {
namespace {

constexpr DWORD kServiceType = 0x10;  // SERVICE_WIN32_OWN_PROCESS
constexpr DWORD kControlsAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE | SERVICE_ACCEPT_SHUTDOWN;
constexpr DWORD kWaitHint = 5000;

bool IsPending(ServiceStatus status) {
  return status == ServiceStatus::StartPending || status == ServiceStatus::StopPending ||
         status == ServiceStatus::ContinuePending || status == ServiceStatus::PausePending;
}

}  // namespace

DWORD CheckPoints::Next(ServiceStatus status) {
  check_point_ = IsPending(status) && status == previous_ ? check_point_ + 1 : 0;
  previous_ = status;
  return check_point_;
}

ServiceStatusReporter::ServiceStatusReporter(SERVICE_STATUS_HANDLE handle, EventLog& service_log)
    : handle_(handle), service_log_(service_log) {}

void ServiceStatusReporter::ReportStatus(ServiceStatus status) {
  SERVICE_STATUS report{};
  report.dwServiceType = kServiceType;
  report.dwCurrentState = static_cast<DWORD>(status);
  report.dwControlsAccepted = status == ServiceStatus::StartPending ? 0 : kControlsAccepted;
  report.dwWin32ExitCode = 0;
  report.dwServiceSpecificExitCode = 0;
  report.dwCheckPoint = check_points_.Next(status);
  report.dwWaitHint = kWaitHint;
  current_ = status;
  if (!SetServiceStatus(handle_, &report)) service_log_.LogError(SystemErrorText(GetLastError()));
}

}  // namespace tolvane::win
