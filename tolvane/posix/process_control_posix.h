// Process control over /proc and fork/exec.
//   Find:      the first /proc/PID (in directory order) whose "exe" link reads, after
//              AnsiLowerCase of both sides, as the path; unreadable entries and zombies are skipped.
//   Terminate: SIGKILL, not waited for; ids 0 and above the pid range are ignored.
//   Start:     a double fork, so the program is never our child and no zombie is left; the
//              program runs in a process group of its own, in the caller's working directory and
//              environment, with argv = { path } (the arguments text is not passed on: the worker
//              takes none), stdin/stdout/stderr on /dev/null and no other descriptor inherited.
//              Returns true once the program image was executed.
#pragma once

#include "tolvane/process_control.h"

namespace tolvane {

class PosixProcessControl final : public ProcessControl {
 public:
  ProcessId FindProcessIdByPath(const std::string& path) override;
  void TerminateProcessById(ProcessId processId) override;
  bool StartProcess(const std::string& path, const std::string& arguments) override;
};

}  // namespace tolvane
