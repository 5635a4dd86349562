#include "tolvane/win/service_host.h"

#include "tolvane/win/errors.h"
#include "tolvane/win/handles.h"
#include "tolvane/win/system_text.h"
#include "tolvane/win/thread_message_queue.h"
#include "tolvane/win/tolvane_serv.h"

namespace tolvane::win {
namespace {

// The manager calls the entry point without a context: it finds the host of this process here.
// Set once before the dispatch thread starts, only read afterwards.
ServiceHost* running_host = nullptr;

KernelHandle StartThread(LPTHREAD_START_ROUTINE routine, void* parameter, DWORD flags = 0, DWORD* thread_id = nullptr) {
  KernelHandle thread(CreateThread(nullptr, 0, routine, parameter, flags, thread_id));
  if (!thread) RaiseOSError(GetLastError());
  return thread;
}

std::wstring ErrorMessage(const std::exception& error) { return DescribeError(error, nullptr).message; }

}  // namespace

ServiceHost::ServiceHost(TTolvaneServ& service, EventLog& application_log)
    : service_(service), application_log_(application_log), service_log_(AnsiToWide(service.Name())) {}

void ServiceHost::Run() {
  running_host = this;
  const KernelHandle dispatch_thread = StartThread(DispatchThread, this);
  RunMainThreadMessages(dispatch_thread.get());
  if (dispatch_error_ != ERROR_SUCCESS) application_log_.LogError(SystemErrorText(dispatch_error_));
}

void ServiceHost::RunMainThreadMessages(HANDLE dispatch_thread) {
  while (MsgWaitForMultipleObjects(1, &dispatch_thread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      try {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      } catch (const std::exception& error) {
        application_log_.LogError(ErrorMessage(error));
      }
    }
  }
}

DWORD WINAPI ServiceHost::DispatchThread(void* host) {
  static_cast<ServiceHost*>(host)->Dispatch();
  return 0;
}

void ServiceHost::Dispatch() {
  std::string name = service_.Name();
  SERVICE_TABLE_ENTRYA table[] = {{name.data(), ServiceMain}, {nullptr, nullptr}};
  if (!StartServiceCtrlDispatcherA(table)) dispatch_error_ = GetLastError();
}

void WINAPI ServiceHost::ServiceMain(DWORD argc, char** argv) { running_host->Main(argc, argv); }

void ServiceHost::Main(DWORD argc, char** argv) {
  // Only the service of this process's name runs; a service installed under another name
  // (the suffix changed afterwards) finds nothing here and reports no status at all.
  if (argc < 1 ||
      CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, argv[0], -1, service_.Name().c_str(), -1) != CSTR_EQUAL) {
    return;
  }
  const SERVICE_STATUS_HANDLE handle = RegisterServiceCtrlHandlerExA(service_.Name().c_str(), ControlHandler, this);
  if (handle == nullptr) {
    service_log_.LogError(SystemErrorText(GetLastError()));
    return;
  }
  status_.emplace(handle, service_log_);
  try {
    status_->ReportStatus(ServiceStatus::StartPending);
    // The handler must know the thread before the thread reports that it accepts requests.
    DWORD thread_id = 0;
    const KernelHandle thread = StartThread(ServiceThread, this, CREATE_SUSPENDED, &thread_id);
    service_thread_id_ = thread_id;
    ResumeThread(thread.get());
    if (WaitForSingleObject(thread.get(), INFINITE) == WAIT_FAILED) RaiseOSError(GetLastError());
  } catch (const std::exception& error) {
    LogServiceFailure(L"ejecutar", error);
  }
  status_->ReportStatus(ServiceStatus::Stopped);
}

DWORD WINAPI ServiceHost::ControlHandler(DWORD code, DWORD, void*, void* host) {
  PostControlRequest(static_cast<ServiceHost*>(host)->service_thread_id_, code);
  return NO_ERROR;
}

DWORD WINAPI ServiceHost::ServiceThread(void* host) {
  static_cast<ServiceHost*>(host)->RunServiceThread();
  return 0;
}

void ServiceHost::RunServiceThread() {
  ThreadMessageQueue requests;
  try {
    status_->ReportStatus(ServiceStatus::StartPending);
    status_->ReportStatus(ServiceStatus::Running);
  } catch (const std::exception& error) {
    LogServiceFailure(L"iniciar", error);
    return;
  }
  try {
    service_.Execute(requests, *status_);
  } catch (const std::exception& error) {
    LogServiceFailure(L"ejecutar", error);
  }
}

void ServiceHost::LogServiceFailure(const wchar_t* action, const std::exception& error) {
  service_log_.LogError(L"Fallo de servicio en " + std::wstring(action) + L": " + ErrorMessage(error));
}

}  // namespace tolvane::win
