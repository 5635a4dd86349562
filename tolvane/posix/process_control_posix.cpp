// Process control on POSIX, over /proc and fork/exec.
//   Find:      the first /proc/PID (in directory order) whose "exe" link reads, after
//              AnsiLowerCase of both sides, as the path; unreadable entries and zombies are skipped.
//   Terminate: SIGKILL, not waited for; ids 0 and above the pid range are ignored.
//   Start:     a double fork, so the program is never our child and no zombie is left; the
//              program runs in a process group of its own, in the caller's working directory and
//              environment, with argv = { path } (the arguments text is not passed on: the worker
//              takes none), stdin/stdout/stderr on /dev/null and no other descriptor inherited.
//              Returns true once the program image was executed.
#include "tolvane/process_control.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "tolvane/ansi_text.h"

namespace tolvane {
namespace {

std::optional<ProcessId> ProcessIdFromName(const std::string& name) {
  ProcessId id = 0;
  const char* end = name.data() + name.size();
  const auto [stop, error] = std::from_chars(name.data(), end, id);
  if (error != std::errc() || stop != end || id == 0) return std::nullopt;
  return id;
}

// Closes both ends of a pipe that are still open when it goes out of scope.
class Pipe {
 public:
  Pipe() {
    if (::pipe2(fds_, O_CLOEXEC) != 0) fds_[0] = fds_[1] = -1;
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  ~Pipe() {
    CloseWriteEnd();
    if (fds_[0] >= 0) ::close(fds_[0]);
  }
  bool IsOpen() const { return fds_[0] >= 0; }
  int ReadEnd() const { return fds_[0]; }
  int WriteEnd() const { return fds_[1]; }
  void CloseWriteEnd() {
    if (fds_[1] >= 0) ::close(fds_[1]);
    fds_[1] = -1;
  }

 private:
  int fds_[2] = {-1, -1};
};

constexpr int kDescriptorLimitWithoutCloseRange = 4096;

// In the grandchild, between fork and exec: async-signal-safe calls only.
[[noreturn]] void ExecProgram(const char* path, char* const argv[], int error_pipe) {
  ::setpgid(0, 0);
  sigset_t none;
  ::sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  const int dev_null = ::open("/dev/null", O_RDWR);
  if (dev_null >= 0) {
    ::dup2(dev_null, STDIN_FILENO);
    ::dup2(dev_null, STDOUT_FILENO);
    ::dup2(dev_null, STDERR_FILENO);
    if (dev_null > STDERR_FILENO) ::close(dev_null);
  }
  if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
    for (int fd = 3; fd < kDescriptorLimitWithoutCloseRange; ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  ::execv(path, argv);
  const int error = errno;
  [[maybe_unused]] const ssize_t written = ::write(error_pipe, &error, sizeof error);
  ::_exit(127);
}

class PosixProcessControl final : public ProcessControl {
 public:
  ProcessId FindProcessIdByPath(const std::string& path) override;
  void TerminateProcessById(ProcessId process_id) override;
  bool StartProcess(const std::string& path, const std::string& arguments) override;
};

ProcessId PosixProcessControl::FindProcessIdByPath(const std::string& path) {
  const std::string wanted = AnsiLowerCase(path);
  std::error_code error;
  for (std::filesystem::directory_iterator entry("/proc", error), end; !error && entry != end; entry.increment(error)) {
    const std::optional<ProcessId> id = ProcessIdFromName(entry->path().filename().string());
    if (!id) continue;
    std::error_code link_error;
    const std::filesystem::path executable = std::filesystem::read_symlink(entry->path() / "exe", link_error);
    if (!link_error && AnsiLowerCase(executable.string()) == wanted) return *id;
  }
  return 0;
}

void PosixProcessControl::TerminateProcessById(ProcessId process_id) {
  if (process_id == 0 || process_id > static_cast<ProcessId>(INT_MAX)) return;
  ::kill(static_cast<pid_t>(process_id), SIGKILL);
}

bool PosixProcessControl::StartProcess(const std::string& path, const std::string& /*arguments*/) {
  std::string argv0 = path;
  char* const argv[] = {argv0.data(), nullptr};

  Pipe error_pipe;
  if (!error_pipe.IsOpen()) return false;

  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    const pid_t grandchild = ::fork();
    if (grandchild == 0) ExecProgram(path.c_str(), argv, error_pipe.WriteEnd());
    int error = grandchild < 0 ? errno : 0;
    if (grandchild < 0) {
      [[maybe_unused]] const ssize_t written = ::write(error_pipe.WriteEnd(), &error, sizeof error);
    }
    ::_exit(0);
  }

  error_pipe.CloseWriteEnd();
  while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }

  // End of file without data: the program image was executed (the pipe closed on exec).
  int exec_error = 0;
  ssize_t count;
  do {
    count = ::read(error_pipe.ReadEnd(), &exec_error, sizeof exec_error);
  } while (count < 0 && errno == EINTR);
  return count == 0;
}

}  // namespace

std::unique_ptr<ProcessControl> MakeSystemProcessControl() { return std::make_unique<PosixProcessControl>(); }

}  // namespace tolvane
