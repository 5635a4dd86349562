#include "tolvane/kor_tools.h"

namespace tolvane {
namespace {

// Index just past the last delimiter, 0 when there is none.
std::size_t FileNameStart(std::string_view path) {
  const std::size_t last = path.find_last_of(kPathDelimiters);
  return last == std::string_view::npos ? 0 : last + 1;
}

std::string_view BaseNameWithoutExt(std::string_view path) {
  std::string_view fileName = path.substr(FileNameStart(path));
  const std::size_t dot = fileName.rfind('.');
  return dot == std::string_view::npos ? fileName : fileName.substr(0, dot);
}

}  // namespace

std::string ExtractFilePath(std::string_view path) {
  return std::string(path.substr(0, FileNameStart(path)));
}

std::string ExtractFileName(std::string_view path) {
  return std::string(path.substr(FileNameStart(path)));
}

std::string ExtractFileExt(std::string_view path) {
  std::string_view fileName = path.substr(FileNameStart(path));
  const std::size_t dot = fileName.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(fileName.substr(dot));
}

std::string CompleteFileName(std::string_view name, std::string_view defaultExt,
                             std::string_view executablePath) {
  std::string directory = ExtractFilePath(name);
  if (directory.empty()) directory = ExtractFilePath(executablePath);

  std::string_view baseName = BaseNameWithoutExt(name);
  if (baseName.empty()) baseName = BaseNameWithoutExt(executablePath);

  std::string extension = ExtractFileExt(name);
  if (extension.empty()) {
    if (defaultExt.starts_with('.')) defaultExt.remove_prefix(1);
    extension = "." + std::string(defaultExt);
  }
  return directory + std::string(baseName) + extension;
}

}  // namespace tolvane
