// File-system calls of the configuration store, with the ANSI functions: paths come from the
// ini file and the program's own path as single-byte text.
#include "tolvane/file_access.h"

#include <windows.h>

#include "tolvane/kor_tools.h"
#include "tolvane/win/handles.h"
#include "tolvane/win/system_text.h"

namespace tolvane {
namespace {

using win::KernelHandle;

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Creates folder and the missing folders above it; a drive ("C:") or a root is never created.
bool ForceDirectories(std::string folder) {
  while (!folder.empty() && kPathDelimiters.find(folder.back()) != std::string_view::npos && folder.back() != ':') {
    folder.pop_back();
  }
  if (folder.size() < 3 || DirectoryExists(folder) || ExtractFilePath(folder) == folder) return true;
  return ForceDirectories(ExtractFilePath(folder)) && CreateDirectoryA(folder.c_str(), nullptr);
}

KernelHandle OpenFileHandle(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
  HANDLE file = CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  return KernelHandle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

[[noreturn]] void ThrowCannotOpen(const std::string& path, DWORD error) {
  throw EFOpenError("Cannot open file \"" + path + "\". " + win::SystemErrorTextAnsi(error));
}

}  // namespace

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void CreateFoldersFor(const std::string& file_path) { ForceDirectories(ExtractFilePath(file_path)); }

void CreateEmptyFile(const std::string& path) {
  const KernelHandle file = OpenFileHandle(path, GENERIC_WRITE, 0, CREATE_NEW);
}

// Other programs may read the file meanwhile, but not write to it.
std::string ReadWholeFile(const std::string& path) {
  const KernelHandle file = OpenFileHandle(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  if (!file) ThrowCannotOpen(path, GetLastError());

  std::string content;
  char buffer[65536];
  DWORD count = 0;
  while (true) {
    if (!ReadFile(file.get(), buffer, sizeof buffer, &count, nullptr)) ThrowCannotOpen(path, GetLastError());
    if (count == 0) break;
    content.append(buffer, count);
  }
  return content;
}

}  // namespace tolvane
