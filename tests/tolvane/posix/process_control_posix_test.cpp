#include "tolvane/process_control.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "worker_sandbox.h"

namespace tolvane {
namespace {

using ::testing::ElementsAre;
using testing::Eventually;
using testing::WorkerSandbox;

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

ProcessId ParentOf(ProcessId id) {
  std::ifstream stat("/proc/" + std::to_string(id) + "/stat");
  std::string pid, name, state;
  ProcessId parent = 0;
  stat >> pid >> name >> state >> parent;
  return parent;
}

// Runs the program as a child of this process, in this process's group; the child's id or -1.
pid_t StartChildInOurGroup(const std::string& path) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  return child;
}

// The "alive <id>" lines that the worker of this id has written to the sandbox's log.
std::size_t Heartbeats(const WorkerSandbox& sandbox, ProcessId worker) {
  const std::string beat = "alive " + std::to_string(worker);
  std::istringstream log(testing::ReadFile(sandbox.LogPath()));
  std::size_t count = 0;
  for (std::string line; std::getline(log, line);) count += line == beat ? 1 : 0;
  return count;
}

TEST(ProcessControlPosixTest, StartsTheProgramWithNoArgumentsInTheCallersFolder) {
  WorkerSandbox sandbox;
  const std::unique_ptr<ProcessControl> processes = MakeSystemProcessControl();

  ASSERT_TRUE(processes->StartProcess(sandbox.WorkerPath(), ""));
  ASSERT_TRUE(sandbox.WaitForWorkers(1));

  const ProcessId worker = processes->FindProcessIdByPath(sandbox.WorkerPath());
  EXPECT_THAT(sandbox.StartLines(),
              ElementsAre("started " + std::to_string(worker) + " 1 " + std::filesystem::current_path().string()));
}

TEST(ProcessControlPosixTest, LeavesNoChildBehind) {
  WorkerSandbox sandbox;
  const std::unique_ptr<ProcessControl> processes = MakeSystemProcessControl();

  ASSERT_TRUE(processes->StartProcess(sandbox.WorkerPath(), ""));
  ASSERT_TRUE(sandbox.WaitForWorkers(1));

  EXPECT_NE(ParentOf(*sandbox.RunningWorkers().begin()), static_cast<ProcessId>(::getpid()));
  errno = 0;
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST(ProcessControlPosixTest, StartingWhatCannotRunFails) {
  WorkerSandbox sandbox;
  const std::unique_ptr<ProcessControl> processes = MakeSystemProcessControl();
  testing::WriteFile(sandbox.Folder() / "notes.txt", "not a program\n");

  EXPECT_FALSE(processes->StartProcess(sandbox.Folder() / "missing", ""));
  EXPECT_FALSE(processes->StartProcess(sandbox.Folder() / "notes.txt", ""));
  EXPECT_FALSE(processes->StartProcess(sandbox.Folder().Path(), ""));
  EXPECT_TRUE(sandbox.RunningWorkers().empty());
}

TEST(ProcessControlPosixTest, FindsByPathIgnoringLetterCaseOnly) {
  WorkerSandbox sandbox;
  const std::unique_ptr<ProcessControl> processes = MakeSystemProcessControl();
  EXPECT_EQ(processes->FindProcessIdByPath(sandbox.WorkerPath()), 0u);

  ASSERT_TRUE(processes->StartProcess(sandbox.WorkerPath(), ""));
  ASSERT_TRUE(sandbox.WaitForWorkers(1));
  const ProcessId worker = *sandbox.RunningWorkers().begin();
  std::filesystem::create_directory_symlink(sandbox.Folder().Path(), sandbox.Folder() / "link");

  EXPECT_EQ(processes->FindProcessIdByPath(sandbox.WorkerPath()), worker);
  EXPECT_EQ(processes->FindProcessIdByPath(UpperCase(sandbox.WorkerPath())), worker);
  EXPECT_EQ(processes->FindProcessIdByPath(sandbox.Folder() / "./worker"), 0u);
  EXPECT_EQ(processes->FindProcessIdByPath(sandbox.Folder() / "link/worker"), 0u);
  EXPECT_EQ(processes->FindProcessIdByPath(sandbox.WorkerPath() + " "), 0u);
}

TEST(ProcessControlPosixTest, KillProcessByPathEndsOnlyTheFirstCopy) {
  WorkerSandbox sandbox;
  const std::unique_ptr<ProcessControl> processes = MakeSystemProcessControl();
  ASSERT_TRUE(processes->StartProcess(sandbox.WorkerPath(), ""));
  ASSERT_TRUE(processes->StartProcess(sandbox.WorkerPath(), ""));
  ASSERT_TRUE(sandbox.WaitForWorkers(2));
  const ProcessId first = processes->FindProcessIdByPath(sandbox.WorkerPath());
  std::set<ProcessId> others = sandbox.RunningWorkers();
  others.erase(first);
  ASSERT_EQ(others.size(), 1u);

  processes->KillProcessByPath(sandbox.WorkerPath());

  EXPECT_TRUE(Eventually([&] { return sandbox.RunningWorkers() == others; }));
}

TEST(ProcessControlPosixTest, IgnoresIdsOutsideThePidRange) {
  WorkerSandbox sandbox;
  const std::unique_ptr<ProcessControl> processes = MakeSystemProcessControl();
  // One worker in a process group of its own, and one in ours: a plain child of this test.
  ASSERT_TRUE(processes->StartProcess(sandbox.WorkerPath(), ""));
  const pid_t child = StartChildInOurGroup(sandbox.WorkerPath());
  ASSERT_GT(child, 0);
  ASSERT_TRUE(sandbox.WaitForWorkers(2));
  const std::set<ProcessId> workers = sandbox.RunningWorkers();
  std::map<ProcessId, std::size_t> beats_before;
  for (ProcessId worker : workers) beats_before[worker] = Heartbeats(sandbox, worker);

  processes->TerminateProcessById(0);           // would otherwise hit our own process group
  processes->TerminateProcessById(0xFFFFFFFF);  // would otherwise be -1: every process we may signal
  processes->KillProcessByPath("/no/such/program");

  // A process that was sent SIGKILL writes nothing more; two more beats from each worker show
  // that both kept running (the first could have been under way during the calls).
  for (ProcessId worker : workers) {
    EXPECT_TRUE(Eventually([&] { return Heartbeats(sandbox, worker) >= beats_before[worker] + 2; }))
        << "worker " << worker;
  }
  EXPECT_EQ(sandbox.RunningWorkers(), workers);
  EXPECT_EQ(::waitpid(child, nullptr, WNOHANG), 0) << "the child in our process group has ended";

  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
}

}  // namespace
}  // namespace tolvane
