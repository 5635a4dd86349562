#include "lumetra/automation/win/server_lifetime.h"

#include <windows.h>
#include <objbase.h>

namespace lumetra::win {

void ServerLifetime::AddObject() {
  InterlockedIncrement(&object_count_);
  if (mode_ == StartMode::Automation) CoAddRefServerProcess();
}

void ServerLifetime::ReleaseObject() {
  InterlockedDecrement(&object_count_);
  // CoReleaseServerProcess suspends the class objects when it reaches zero,
  // so no activation can slip in while the process winds down.
  if (mode_ == StartMode::Automation && CoReleaseServerProcess() == 0) RequestQuit();
}

void ServerLifetime::RequestQuit() const { PostThreadMessageW(main_thread_, WM_QUIT, 0, 0); }

}  // namespace lumetra::win
