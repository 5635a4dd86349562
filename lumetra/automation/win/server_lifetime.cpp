#include "lumetra/automation/win/server_lifetime.h"

#include <windows.h>
#include <objbase.h>

namespace lumetra::win {

void ServerLifetime::AwaitFirstActivation() {
  if (mode_ != StartMode::Automation || holding_for_first_activation_) return;
  // A thread timer without a procedure: its WM_TIMER comes to HandleThreadMessage
  // (and again every grace time, should another message loop swallow one).
  // Without a timer there is no hold: the process then lives as long as before.
  grace_timer_ = SetTimer(nullptr, 0, kFirstActivationGraceMs, nullptr);
  if (grace_timer_ == 0) return;
  CoAddRefServerProcess();
  holding_for_first_activation_ = true;
}

bool ServerLifetime::HandleThreadMessage(const MSG& message) {
  if (message.hwnd != nullptr || message.message != WM_TIMER || grace_timer_ == 0 || message.wParam != grace_timer_)
    return false;
  DropFirstActivationHold();
  return true;
}

void ServerLifetime::DropFirstActivationHold() {
  if (!holding_for_first_activation_) return;
  holding_for_first_activation_ = false;
  if (grace_timer_ != 0) KillTimer(nullptr, grace_timer_);
  grace_timer_ = 0;
  // CoReleaseServerProcess suspends the class objects when it reaches zero,
  // so no activation can slip in while the process winds down.
  if (CoReleaseServerProcess() == 0) RequestQuit();
}

void ServerLifetime::AddObject() {
  InterlockedIncrement(&object_count_);
  if (mode_ == StartMode::Automation) {
    CoAddRefServerProcess();
    DropFirstActivationHold();  // the object's own reference keeps the process
  }
}

void ServerLifetime::ReleaseObject() {
  InterlockedDecrement(&object_count_);
  if (mode_ == StartMode::Automation && CoReleaseServerProcess() == 0) RequestQuit();
}

void ServerLifetime::RequestQuit() const { PostThreadMessageW(main_thread_, WM_QUIT, 0, 0); }

}  // namespace lumetra::win
