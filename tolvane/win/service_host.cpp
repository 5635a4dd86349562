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
ServiceHost* runningHost = nullptr;

KernelHandle StartThread(LPTHREAD_START_ROUTINE routine, void* parameter, DWORD flags = 0, DWORD* threadId = nullptr) {
  KernelHandle thread(CreateThread(nullptr, 0, routine, parameter, flags, threadId));
  if (!thread) RaiseOSError(GetLastError());
  return thread;
}

std::wstring ErrorMessage(const std::exception& error) { return DescribeError(error, nullptr).message; }

}  // namespace

ServiceHost::ServiceHost(TTolvaneServ& service, EventLog& applicationLog)
    : service_(service), applicationLog_(applicationLog), serviceLog_(AnsiToWide(service.Name())) {}

void ServiceHost::Run() {
  runningHost = this;
  const KernelHandle dispatchThread = StartThread(DispatchThread, this);
  RunMainThreadMessages(dispatchThread.get());
  if (dispatchError_ != ERROR_SUCCESS) applicationLog_.LogError(SystemErrorText(dispatchError_));
}

void ServiceHost::RunMainThreadMessages(HANDLE dispatchThread) {
  while (MsgWaitForMultipleObjects(1, &dispatchThread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      try {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      } catch (const std::exception& error) {
        applicationLog_.LogError(ErrorMessage(error));
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
  if (!StartServiceCtrlDispatcherA(table)) dispatchError_ = GetLastError();
}

void WINAPI ServiceHost::ServiceMain(DWORD argc, char** argv) { runningHost->Main(argc, argv); }

void ServiceHost::Main(DWORD argc, char** argv) {
  // Only the service of this process's name runs; a service installed under another name
  // (the suffix changed afterwards) finds nothing here and reports no status at all.
  if (argc < 1 || CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, argv[0], -1, service_.Name().c_str(), -1) !=
                      CSTR_EQUAL) {
    return;
  }
  const SERVICE_STATUS_HANDLE handle = RegisterServiceCtrlHandlerExA(service_.Name().c_str(), ControlHandler, this);
  if (handle == nullptr) {
    serviceLog_.LogError(SystemErrorText(GetLastError()));
    return;
  }
  status_.emplace(handle, serviceLog_);
  try {
    status_->ReportStatus(ServiceStatus::StartPending);
    // The handler must know the thread before the thread reports that it accepts requests.
    DWORD threadId = 0;
    const KernelHandle thread = StartThread(ServiceThread, this, CREATE_SUSPENDED, &threadId);
    serviceThreadId_ = threadId;
    ResumeThread(thread.get());
    if (WaitForSingleObject(thread.get(), INFINITE) == WAIT_FAILED) RaiseOSError(GetLastError());
  } catch (const std::exception& error) {
    LogServiceFailure(L"ejecutar", error);
  }
  status_->ReportStatus(ServiceStatus::Stopped);
}

DWORD WINAPI ServiceHost::ControlHandler(DWORD code, DWORD, void*, void* host) {
  PostControlRequest(static_cast<ServiceHost*>(host)->serviceThreadId_, code);
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
  serviceLog_.LogError(L"Fallo de servicio en " + std::wstring(action) + L": " + ErrorMessage(error));
}

}  // namespace tolvane::win
