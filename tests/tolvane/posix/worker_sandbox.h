// A private copy of the fake worker in a temporary folder, so that each test recognises only its
// own worker processes by path. Every copy still running is killed when the sandbox goes.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../temp_folder.h"
#include "tolvane/process_control.h"

namespace tolvane::testing {

// Polls until the condition holds; false when it still fails after a generous time.
inline bool Eventually(const std::function<bool()>& condition) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

class WorkerSandbox {
 public:
  explicit WorkerSandbox(const std::string& worker_name = "worker") : worker_path_(folder_ / worker_name) {
    std::filesystem::copy_file(TOLVANE_FAKE_WORKER, worker_path_);
  }
  WorkerSandbox(const WorkerSandbox&) = delete;
  WorkerSandbox& operator=(const WorkerSandbox&) = delete;
  ~WorkerSandbox() {
    Eventually([&] {
      const std::set<ProcessId> running = RunningWorkers();
      for (ProcessId id : running) processes_->TerminateProcessById(id);
      return running.empty();
    });
  }

  const TempFolder& Folder() const { return folder_; }
  const std::string& WorkerPath() const { return worker_path_; }
  std::string LogPath() const { return worker_path_ + ".log"; }

  // Ids of the live (not zombie) processes running this sandbox's worker.
  std::set<ProcessId> RunningWorkers() const {
    std::set<ProcessId> ids;
    std::error_code error;
    for (std::filesystem::directory_iterator entry("/proc", error), end; !error && entry != end;
         entry.increment(error)) {
      std::error_code link_error;
      if (std::filesystem::read_symlink(entry->path() / "exe", link_error).string() == worker_path_ && !link_error)
        ids.insert(static_cast<ProcessId>(std::stoul(entry->path().filename().string())));
    }
    return ids;
  }

  // Lines the workers wrote that begin with "started ".
  std::vector<std::string> StartLines() const {
    std::vector<std::string> lines;
    std::istringstream log(ReadFile(LogPath()));
    for (std::string line; std::getline(log, line);) {
      if (line.starts_with("started ")) lines.push_back(line);
    }
    return lines;
  }

  bool WaitForWorkers(std::size_t count) const {
    return Eventually([&] { return RunningWorkers().size() == count && StartLines().size() >= count; });
  }

 private:
  TempFolder folder_;
  std::string worker_path_;
  std::unique_ptr<ProcessControl> processes_ = MakeSystemProcessControl();
};

}  // namespace tolvane::testing
