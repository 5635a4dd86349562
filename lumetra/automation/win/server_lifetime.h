// How long the server process lives: the object count (live objects plus
// server locks) and, when the COM runtime started the process, the end of the
// process with the last release.
#pragma once

#include <windows.h>

#include "lumetra/automation/win/start_mode.h"

namespace lumetra::win {

class ServerLifetime {
 public:
  ServerLifetime(StartMode mode, DWORD main_thread) : mode_(mode), main_thread_(main_thread) {}
  ServerLifetime(const ServerLifetime&) = delete;
  ServerLifetime& operator=(const ServerLifetime&) = delete;

  // An object was created or a client locked the server.
  void AddObject();
  // An object was destroyed or a client unlocked the server. Started by the
  // COM runtime, the last release ends the message loop.
  void ReleaseObject();

  LONG object_count() const { return object_count_; }
  StartMode mode() const { return mode_; }

  // Ends the main thread's message loop.
  void RequestQuit() const;

 private:
  StartMode mode_;
  DWORD main_thread_;
  volatile LONG object_count_ = 0;
};

}  // namespace lumetra::win
