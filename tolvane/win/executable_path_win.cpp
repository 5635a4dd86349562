#include "tolvane/executable_path.h"

#include <windows.h>

namespace tolvane {

// The path of the program's executable in the ANSI code page, as the system loaded it.
std::string ThisExecutablePath() {
  char buffer[MAX_PATH + 1];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  return std::string(buffer, length < sizeof buffer ? length : 0);
}

}  // namespace tolvane
