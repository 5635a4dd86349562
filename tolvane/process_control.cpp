#include "tolvane/process_control.h"

namespace tolvane {

void ProcessControl::KillProcessByPath(const std::string& path) {
  const ProcessId process_id = FindProcessIdByPath(path);
  if (process_id != 0) TerminateProcessById(process_id);
}

}  // namespace tolvane
