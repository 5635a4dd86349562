// How long the server process lives: the object count (live objects plus
// server locks) and, when the COM runtime started the process, the end of the
// process with the last release. A process the COM runtime started holds one
// more reference to itself, the first-activation hold, until its first object
// arrives or its grace time has passed: so a process whose activation never
// comes (it went to another server, or the client gave up) ends by itself.
#pragma once

#include <windows.h>

#include "lumetra/automation/win/start_mode.h"

namespace lumetra::win {

class ServerLifetime {
 public:
  // Time a process started by the COM runtime waits for its first object.
  static constexpr UINT kFirstActivationGraceMs = 30'000;

  ServerLifetime(StartMode mode, DWORD main_thread) : mode_(mode), main_thread_(main_thread) {}
  ServerLifetime(const ServerLifetime&) = delete;
  ServerLifetime& operator=(const ServerLifetime&) = delete;

  // Started by the COM runtime: takes the first-activation hold and starts
  // the grace timer of the calling (main) thread. Call once, when the class
  // objects have been resumed. Does nothing in the other modes.
  void AwaitFirstActivation();
  // Takes the main thread's message when it is the grace timer's (true).
  bool HandleThreadMessage(const MSG& message);

  // An object was created or a client locked the server. Drops the
  // first-activation hold.
  void AddObject();
  // An object was destroyed or a client unlocked the server. Started by the
  // COM runtime, the last release ends the message loop.
  void ReleaseObject();

  LONG object_count() const { return object_count_; }
  StartMode mode() const { return mode_; }

  // Ends the main thread's message loop.
  void RequestQuit() const;

 private:
  // Gives up the first-activation hold; the last reference ends the loop.
  void DropFirstActivationHold();

  StartMode mode_;
  DWORD main_thread_;
  volatile LONG object_count_ = 0;
  // Touched on the main thread only: objects are created and the timer fires
  // in its single-threaded apartment.
  bool holding_for_first_activation_ = false;
  UINT_PTR grace_timer_ = 0;
};

}  // namespace lumetra::win
