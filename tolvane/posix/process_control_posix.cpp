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
  bool ok() const { return fds_[0] >= 0; }
  int readEnd() const { return fds_[0]; }
  int writeEnd() const { return fds_[1]; }
  void CloseWriteEnd() {
    if (fds_[1] >= 0) ::close(fds_[1]);
    fds_[1] = -1;
  }

 private:
  int fds_[2] = {-1, -1};
};

constexpr int kDescriptorLimitWithoutCloseRange = 4096;

// In the grandchild, between fork and exec: async-signal-safe calls only.
[[noreturn]] void ExecProgram(const char* path, char* const argv[], int errorPipe) {
  ::setpgid(0, 0);
  sigset_t none;
  ::sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  const int devNull = ::open("/dev/null", O_RDWR);
  if (devNull >= 0) {
    ::dup2(devNull, STDIN_FILENO);
    ::dup2(devNull, STDOUT_FILENO);
    ::dup2(devNull, STDERR_FILENO);
    if (devNull > STDERR_FILENO) ::close(devNull);
  }
  if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
    for (int fd = 3; fd < kDescriptorLimitWithoutCloseRange; ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  ::execv(path, argv);
  const int error = errno;
  [[maybe_unused]] const ssize_t written = ::write(errorPipe, &error, sizeof error);
  ::_exit(127);
}

class PosixProcessControl final : public ProcessControl {
 public:
  ProcessId FindProcessIdByPath(const std::string& path) override;
  void TerminateProcessById(ProcessId processId) override;
  bool StartProcess(const std::string& path, const std::string& arguments) override;
};

ProcessId PosixProcessControl::FindProcessIdByPath(const std::string& path) {
  const std::string wanted = AnsiLowerCase(path);
  std::error_code error;
  for (std::filesystem::directory_iterator entry("/proc", error), end; !error && entry != end;
       entry.increment(error)) {
    const std::optional<ProcessId> id = ProcessIdFromName(entry->path().filename().string());
    if (!id) continue;
    std::error_code linkError;
    const std::filesystem::path executable = std::filesystem::read_symlink(entry->path() / "exe", linkError);
    if (!linkError && AnsiLowerCase(executable.string()) == wanted) return *id;
  }
  return 0;
}

void PosixProcessControl::TerminateProcessById(ProcessId processId) {
  if (processId == 0 || processId > static_cast<ProcessId>(INT_MAX)) return;
  ::kill(static_cast<pid_t>(processId), SIGKILL);
}

bool PosixProcessControl::StartProcess(const std::string& path, const std::string& /*arguments*/) {
  std::string argv0 = path;
  char* const argv[] = {argv0.data(), nullptr};

  Pipe errorPipe;
  if (!errorPipe.ok()) return false;

  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    const pid_t grandchild = ::fork();
    if (grandchild == 0) ExecProgram(path.c_str(), argv, errorPipe.writeEnd());
    int error = grandchild < 0 ? errno : 0;
    if (grandchild < 0) {
      [[maybe_unused]] const ssize_t written = ::write(errorPipe.writeEnd(), &error, sizeof error);
    }
    ::_exit(0);
  }

  errorPipe.CloseWriteEnd();
  while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }

  // End of file without data: the program image was executed (the pipe closed on exec).
  int execError = 0;
  ssize_t count;
  do {
    count = ::read(errorPipe.readEnd(), &execError, sizeof execError);
  } while (count < 0 && errno == EINTR);
  return count == 0;
}

}  // namespace

std::unique_ptr<ProcessControl> MakeSystemProcessControl() { return std::make_unique<PosixProcessControl>(); }

}  // namespace tolvane
