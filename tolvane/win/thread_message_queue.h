// Control codes travel to the service thread as thread messages WM_USER + 1 with the code as the
// first parameter. The queue belongs to the thread that creates this object; messages for windows
// that it meets on the way are dispatched as usual.
#pragma once

#include <windows.h>

#include "tolvane/tolvane_main.h"

namespace tolvane::win {

inline constexpr UINT kControlMessage = WM_USER + 1;

// Posts a control code to the queue of the thread thread_id; false when the thread has no queue.
bool PostControlRequest(DWORD thread_id, ControlCode code);

class ThreadMessageQueue final : public ControlRequestQueue {
 public:
  // Creates the calling thread's message queue.
  ThreadMessageQueue();

  std::optional<ControlCode> TakeRequest() override;
  // Sleeps in the queue until a control request arrives.
  ControlCode WaitForRequest() override;
};

}  // namespace tolvane::win
