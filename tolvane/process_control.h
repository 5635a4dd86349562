// Process routines of KorTools: act on a program by nothing but its executable's full path.
// Implementations are stateless and never raise: a process that cannot be opened or queried is
// skipped, a failed terminate is ignored, a failed start returns false.
// Paths are compared after AnsiLowerCase of both sides, with no other normalisation.
// MakeSystemProcessControl() gives the platform's implementation: posix/process_control_posix.cpp
// or win/process_control_win.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tolvane {

using ProcessId = std::uint32_t;  // 0 means "no process"

class ProcessControl {
 public:
  virtual ~ProcessControl() = default;

  // The first running process, in the system's order, whose executable path equals path; or 0.
  virtual ProcessId FindProcessIdByPath(const std::string& path) = 0;

  // Asks the system to end the process, without waiting for it to go. 0 is ignored.
  virtual void TerminateProcessById(ProcessId process_id) = 0;

  // Starts the program, not waiting for it; true when the system created the process.
  virtual bool StartProcess(const std::string& path, const std::string& arguments) = 0;

  // FindProcessIdByPath, then TerminateProcessById when a process was found: at most one per call.
  void KillProcessByPath(const std::string& path);
};

// Process control through the operating system's own functions.
std::unique_ptr<ProcessControl> MakeSystemProcessControl();

}  // namespace tolvane
