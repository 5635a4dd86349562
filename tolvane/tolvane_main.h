// The service's main loop (the body of ServiceExecute) and its handling of control requests,
// free of the platform: sleeping, the request queue and status reports come through interfaces.
//
// Run(): PassCounter starts at 600; each pass adds 1 and, on reaching 600, resets it to 0 and
// checks the worker; then sleeps 1000 ms and pumps control requests. So the checks fall on passes
// 1, 601, 1201, ... When the loop ends, normally or by an error, the worker is terminated; an
// error then propagates to the caller.
//
// PumpControlRequests(): handles every waiting request without blocking:
//   stop, shutdown  report stop pending; the loop ends after this pass
//   pause           report pause pending, then paused; freeze until continue, stop or shutdown
//   continue        report continue pending, then running
//   interrogate     report the current status again (a paused loop stays frozen)
//   other codes     nothing (a paused loop stays frozen)
// Once told to terminate, a pause is reported but no longer freezes the loop.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace tolvane {

class WorkerWatch;

using ControlCode = std::uint32_t;
inline constexpr ControlCode kControlStop = 1;
inline constexpr ControlCode kControlPause = 2;
inline constexpr ControlCode kControlContinue = 3;
inline constexpr ControlCode kControlInterrogate = 4;
inline constexpr ControlCode kControlShutdown = 5;

// Service states, numbered as the service control manager reports them.
enum class ServiceStatus : std::uint32_t {
  Stopped = 1,
  StartPending = 2,
  StopPending = 3,
  Running = 4,
  ContinuePending = 5,
  PausePending = 6,
  Paused = 7,
};

class Sleeper {
 public:
  virtual ~Sleeper() = default;
  virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

// The service thread's end of the channel that carries control codes.
class ControlRequestQueue {
 public:
  virtual ~ControlRequestQueue() = default;
  // The oldest waiting request, or nullopt at once when none waits.
  virtual std::optional<ControlCode> TakeRequest() = 0;
  // The oldest request, blocking until one arrives.
  virtual ControlCode WaitForRequest() = 0;
};

class StatusReporter {
 public:
  virtual ~StatusReporter() = default;
  virtual void ReportStatus(ServiceStatus status) = 0;
  // The status most recently reported.
  virtual ServiceStatus CurrentStatus() const = 0;
};

class ServiceLoop {
 public:
  static constexpr int kPassesPerCheck = 600;
  static constexpr std::chrono::milliseconds kPassLength{1000};

  ServiceLoop(WorkerWatch& guard, Sleeper& sleeper, ControlRequestQueue& requests, StatusReporter& status);

  void Run();
  void PumpControlRequests();

  bool Terminated() const { return terminated_; }
  int PassCounter() const { return pass_counter_; }

 private:
  void RunPasses();
  void Handle(ControlCode code);

  WorkerWatch& guard_;
  Sleeper& sleeper_;
  ControlRequestQueue& requests_;
  StatusReporter& status_;
  int pass_counter_ = kPassesPerCheck;
  bool terminated_ = false;
  bool frozen_ = false;
};

}  // namespace tolvane
