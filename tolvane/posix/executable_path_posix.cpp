#include "tolvane/executable_path.h"

#include <filesystem>
#include <system_error>

namespace tolvane {

std::string ThisExecutablePath() {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
}

}  // namespace tolvane
