#include "tolvane/tolvane_main.h"

#include "tolvane/tolvane_guard.h"

namespace tolvane {

ServiceLoop::ServiceLoop(WorkerWatch& guard, Sleeper& sleeper, ControlRequestQueue& requests, StatusReporter& status)
    : guard_(guard), sleeper_(sleeper), requests_(requests), status_(status) {}

void ServiceLoop::Run() {
  pass_counter_ = kPassesPerCheck;
  try {
    RunPasses();
  } catch (...) {
    guard_.KillAsyncProcess();
    throw;
  }
  guard_.KillAsyncProcess();
}

void ServiceLoop::RunPasses() {
  while (!terminated_) {
    if (++pass_counter_ >= kPassesPerCheck) {
      pass_counter_ = 0;
      guard_.CheckIfAsyncIsAlive();
    }
    sleeper_.Sleep(kPassLength);
    PumpControlRequests();
  }
}

void ServiceLoop::PumpControlRequests() {
  while (true) {
    std::optional<ControlCode> code;
    if (frozen_) {
      code = requests_.WaitForRequest();
    } else {
      code = requests_.TakeRequest();
    }
    if (!code) return;
    Handle(*code);
  }
}

void ServiceLoop::Handle(ControlCode code) {
  switch (code) {
    case kControlStop:
    case kControlShutdown:
      status_.ReportStatus(ServiceStatus::StopPending);
      terminated_ = true;
      frozen_ = false;
      break;
    case kControlPause:
      status_.ReportStatus(ServiceStatus::PausePending);
      status_.ReportStatus(ServiceStatus::Paused);
      frozen_ = !terminated_;
      break;
    case kControlContinue:
      status_.ReportStatus(ServiceStatus::ContinuePending);
      status_.ReportStatus(ServiceStatus::Running);
      frozen_ = false;
      break;
    case kControlInterrogate:
      status_.ReportStatus(status_.CurrentStatus());
      break;
    default:
      break;
  }
}

}  // namespace tolvane
