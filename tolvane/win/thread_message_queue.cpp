#include "tolvane/win/thread_message_queue.h"

namespace tolvane::win {

bool PostControlRequest(DWORD thread_id, ControlCode code) {
  return PostThreadMessageA(thread_id, kControlMessage, code, 0) != FALSE;
}

ThreadMessageQueue::ThreadMessageQueue() {
  MSG message;
  PeekMessageA(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
}

std::optional<ControlCode> ThreadMessageQueue::TakeRequest() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.hwnd == nullptr && message.message == kControlMessage) {
      return static_cast<ControlCode>(message.wParam);
    }
    DispatchMessageA(&message);
  }
  return std::nullopt;
}

ControlCode ThreadMessageQueue::WaitForRequest() {
  while (true) {
    if (const std::optional<ControlCode> code = TakeRequest()) return *code;
    WaitMessage();
  }
}

}  // namespace tolvane::win
