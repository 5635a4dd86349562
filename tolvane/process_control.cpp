#include "tolvane/process_control.h"

namespace tolvane {

void ProcessControl::KillProcessByPath(const std::string& path) {
  const ProcessId processId = FindProcessIdByPath(path);
  if (processId != 0) TerminateProcessById(processId);
}

}  // namespace tolvane
