#include "tolvane/kor_tools.h"

namespace tolvane {
namespace {

// Index just past the last delimiter, 0 when there is none.
std::size_t FileNameStart(std::string_view path) {
  const std::size_t last = path.find_last_of(kPathDelimiters);
  return last == std::string_view::npos ? 0 : last + 1;
}

std::string_view BaseNameWithoutExt(std::string_view path) {
  std::string_view file_name = path.substr(FileNameStart(path));
  const std::size_t dot = file_name.rfind('.');
  return dot == std::string_view::npos ? file_name : file_name.substr(0, dot);
}

}  // namespace

std::string ExtractFilePath(std::string_view path) { return std::string(path.substr(0, FileNameStart(path))); }

std::string ExtractFileName(std::string_view path) { return std::string(path.substr(FileNameStart(path))); }

std::string ExtractFileExt(std::string_view path) {
  std::string_view file_name = path.substr(FileNameStart(path));
  const std::size_t dot = file_name.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(file_name.substr(dot));
}

std::string WithDefaultExtension(std::string_view path, std::string_view extension) {
  std::string result(path);
  if (ExtractFileExt(path).empty()) result.append(extension);
  return result;
}

std::string CompleteFileName(std::string_view name, std::string_view default_ext, std::string_view executable_path) {
  std::string directory = ExtractFilePath(name);
  if (directory.empty()) directory = ExtractFilePath(executable_path);

  std::string_view base_name = BaseNameWithoutExt(name);
  if (base_name.empty()) base_name = BaseNameWithoutExt(executable_path);

  std::string extension = ExtractFileExt(name);
  if (extension.empty()) {
    if (default_ext.starts_with('.')) default_ext.remove_prefix(1);
    // Appended, not "." + std::string(default_ext): GCC 12 at -O3 reports a false -Wrestrict
    // overlap inside that operator+.
    extension = '.';
    extension.append(default_ext);
  }
  return directory + std::string(base_name) + extension;
}

}  // namespace tolvane
