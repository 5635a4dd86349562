// Service mode. Four threads take part:
//   main thread      Run(): starts the dispatch thread and handles its own messages until that
//                    thread ends; then writes a failed dispatch to the application's event log;
//   dispatch thread  hands the dispatch table (one entry: the service's name) to the service
//                    control manager and runs ControlHandler for every control request;
//   entry point      ServiceMain, on a thread of the manager: registers the control handler,
//                    reports start pending, runs the service thread to its end, reports stopped;
//   service thread   reports start pending and running, runs TTolvaneServ::Execute.
// The only data crossing threads is the control code, posted by ControlHandler to the service
// thread's message queue. Failures are written to the event log: under the service's name
// ("Fallo de servicio en %s: %s" with "iniciar" or "ejecutar", or the system's error text), or
// under the executable's file name for the main thread and the dispatch.
#pragma once

#include <windows.h>

#include <atomic>
#include <optional>

#include "tolvane/win/event_log.h"
#include "tolvane/win/service_status_reporter.h"

namespace tolvane::win {

class TTolvaneServ;

class ServiceHost {
 public:
  ServiceHost(TTolvaneServ& service, EventLog& application_log);
  ServiceHost(const ServiceHost&) = delete;
  ServiceHost& operator=(const ServiceHost&) = delete;

  // Returns when the dispatch thread has ended, that is when the service has stopped or the
  // process could not connect to the service control manager.
  void Run();

 private:
  static DWORD WINAPI DispatchThread(void* host);
  static void WINAPI ServiceMain(DWORD argc, char** argv);
  static DWORD WINAPI ControlHandler(DWORD code, DWORD event_type, void* event_data, void* host);
  static DWORD WINAPI ServiceThread(void* host);

  void Dispatch();
  void RunMainThreadMessages(HANDLE dispatch_thread);
  void Main(DWORD argc, char** argv);
  void RunServiceThread();
  void ExecuteService();
  void LogServiceFailure(const wchar_t* action, const std::exception& error);

  TTolvaneServ& service_;
  EventLog& application_log_;
  EventLog service_log_;
  DWORD dispatch_error_ = ERROR_SUCCESS;
  std::optional<ServiceStatusReporter> status_;
  std::atomic<DWORD> service_thread_id_{0};
};

}  // namespace tolvane::win
