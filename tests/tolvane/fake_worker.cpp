// A stand-in for the worker program that Tolvane keeps alive. It takes no arguments: its log is
// its own executable path with ".log" appended. It appends "started <pid> <argc> <cwd>" at once,
// then "alive <pid>" every 200 ms, and ends by itself after 60 s so that a test that fails
// half-way leaves nothing running for long.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace {

void AppendLine(const std::string& log_path, const std::string& line) {
  const int fd = ::open(log_path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  const std::string text = line + "\n";
  [[maybe_unused]] const ssize_t written = ::write(fd, text.data(), text.size());
  ::close(fd);
}

}  // namespace

int main(int argc, char** /*argv*/) {
  std::error_code error;
  const std::string log_path = std::filesystem::read_symlink("/proc/self/exe", error).string() + ".log";
  if (error) return 1;
  const std::string pid = std::to_string(::getpid());
  const std::string cwd = std::filesystem::current_path(error).string();

  AppendLine(log_path, "started " + pid + " " + std::to_string(argc) + " " + cwd);
  for (int beat = 0; beat < 300; ++beat) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    AppendLine(log_path, "alive " + pid);
  }
  return 0;
}
