#include "tolvane/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tolvane {
namespace {

// Closes a file descriptor when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

[[noreturn]] void ThrowCannotOpen(const std::string& path, int error) {
  throw EFOpenError("Cannot open file \"" + path + "\". " + std::strerror(error));
}

}  // namespace

bool FileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

void CreateFoldersFor(const std::string& file_path) {
  const std::filesystem::path folder = std::filesystem::path(file_path).parent_path();
  if (folder.empty()) return;
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
}

void CreateEmptyFile(const std::string& path) {
  const FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
}

// POSIX has no share modes that keep writers out, so the file is simply opened for reading.
std::string ReadWholeFile(const std::string& path) {
  const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) ThrowCannotOpen(path, errno);

  std::string content;
  char buffer[65536];
  while (true) {
    const ssize_t count = ::read(fd.get(), buffer, sizeof buffer);
    if (count == 0) break;
    if (count < 0) {
      if (errno == EINTR) continue;
      ThrowCannotOpen(path, errno);
    }
    content.append(buffer, static_cast<std::size_t>(count));
  }
  return content;
}

}  // namespace tolvane
