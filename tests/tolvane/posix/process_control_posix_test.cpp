#include "tolvane/process_control.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <memory>

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

TEST(ProcessControlPosixTest, StartsTheProgramWithNoArgumentsInTheCallersFolder) {
  WorkerSandbox sandbox;
  const std::unique_ptr<ProcessControl> processes = MakeSystemProcessControl();

  ASSERT_TRUE(processes->StartProcess(sandbox.WorkerPath(), ""));
  ASSERT_TRUE(sandbox.WaitForWorkers(1));

  const ProcessId worker = processes->FindProcessIdByPath(sandbox.WorkerPath());
  EXPECT_THAT(sandbox.StartLines(), ElementsAre("started " + std::to_string(worker) + " 1 " +
                                                std::filesystem::current_path().string()));
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
  const std::unique_ptr<ProcessControl> processes = MakeSystemProcessControl();
  processes->TerminateProcessById(0);           // would otherwise hit our own process group
  processes->TerminateProcessById(0xFFFFFFFF);  // would otherwise be -1: every process we may signal
  processes->KillProcessByPath("/no/such/program");
  SUCCEED();
}

}  // namespace
}  // namespace tolvane
