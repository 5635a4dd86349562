// The guard and the main loop against real worker processes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>

#include "tolvane/config_adm.h"
#include "tolvane/process_control.h"
#include "tolvane/system_time.h"
#include "tolvane/tolvane_guard.h"
#include "tolvane/tolvane_main.h"
#include "worker_sandbox.h"

namespace tolvane {
namespace {

using testing::Eventually;
using testing::WorkerSandbox;

// The system clock moved by a number of minutes, to age a log file without waiting.
class ShiftedClock final : public LocalClock {
 public:
  TDateTime Now() const override { return system_.Now() + shift_minutes / 1440.0; }
  int shift_minutes = 0;

 private:
  SystemLocalClock system_;
};

// Real process control that also counts what it was asked to do.
class CountingProcessControl final : public ProcessControl {
 public:
  ProcessId FindProcessIdByPath(const std::string& path) override { return real_->FindProcessIdByPath(path); }
  void TerminateProcessById(ProcessId process_id) override {
    ++terminations;
    real_->TerminateProcessById(process_id);
  }
  bool StartProcess(const std::string& path, const std::string& arguments) override {
    ++starts;
    return real_->StartProcess(path, arguments);
  }
  int terminations = 0;
  int starts = 0;

 private:
  std::unique_ptr<ProcessControl> real_ = MakeSystemProcessControl();
};

// The guard reads its settings as it is built, so the ini file is written before.
bool WriteSettings(const WorkerSandbox& sandbox) {
  testing::WriteFile(sandbox.Folder() / "Tolvane.ini",
                     "[Tolvane]\nLogFileName=worker.log\nMaxTimeForProcess=1\nKorAsyncProcess=worker\n");
  return true;
}

class GuardWithWorkerTest : public ::testing::Test {
 protected:
  ProcessId StartWorker() {
    EXPECT_TRUE(processes_.StartProcess(sandbox_.WorkerPath(), ""));
    EXPECT_TRUE(sandbox_.WaitForWorkers(1));
    processes_.starts = 0;
    return *sandbox_.RunningWorkers().begin();
  }

  WorkerSandbox sandbox_;
  bool settings_written_ = WriteSettings(sandbox_);
  std::string executable_ = sandbox_.Folder() / "watch";
  TKorConfig store_{executable_};
  CountingProcessControl processes_;
  ShiftedClock clock_;
  SystemFileTimes files_;
  TolvaneGuard guard_{GuardServices{store_, processes_, clock_, files_}, executable_};
};

TEST_F(GuardWithWorkerTest, FindsTheWorkerAndItsLogBesideTheExecutable) {
  EXPECT_EQ(guard_.AsyncProcessPath(), sandbox_.WorkerPath());
  EXPECT_EQ(guard_.LogFilePath(), sandbox_.LogPath());
}

TEST_F(GuardWithWorkerTest, AStaleLogGetsTheWorkerKilledAndRestarted) {
  const ProcessId stale = StartWorker();
  clock_.shift_minutes = 10;

  guard_.CheckIfAsyncIsAlive();

  EXPECT_EQ(processes_.terminations, 1);
  EXPECT_EQ(processes_.starts, 1);
  EXPECT_TRUE(Eventually([&] {
    const std::set<ProcessId> running = sandbox_.RunningWorkers();
    return running.size() == 1 && !running.contains(stale) && sandbox_.StartLines().size() == 2;
  }));
}

TEST_F(GuardWithWorkerTest, AFreshLogLeavesTheWorkerAlone) {
  const ProcessId worker = StartWorker();

  guard_.CheckIfAsyncIsAlive();

  EXPECT_EQ(processes_.terminations, 0);
  EXPECT_EQ(processes_.starts, 0);
  EXPECT_EQ(sandbox_.RunningWorkers(), std::set<ProcessId>{worker});
}

TEST_F(GuardWithWorkerTest, AMissingLogStartsTheWorker) {
  guard_.CheckIfAsyncIsAlive();

  EXPECT_EQ(processes_.terminations, 0);
  EXPECT_EQ(processes_.starts, 1);
  EXPECT_TRUE(sandbox_.WaitForWorkers(1));
}

TEST_F(GuardWithWorkerTest, AStaleLogWithoutAWorkerOnlyStartsOne) {
  testing::WriteFile(sandbox_.LogPath(), "old\n");
  clock_.shift_minutes = 10;

  guard_.CheckIfAsyncIsAlive();

  EXPECT_EQ(processes_.terminations, 0);
  EXPECT_EQ(processes_.starts, 1);
  EXPECT_TRUE(sandbox_.WaitForWorkers(1));
}

TEST_F(GuardWithWorkerTest, KillAsyncProcessEndsTheWorker) {
  StartWorker();

  guard_.KillAsyncProcess();

  EXPECT_TRUE(Eventually([&] { return sandbox_.RunningWorkers().empty(); }));
}

// Sleeping does nothing; stop arrives during the second pass.
class StopOnSecondPass final : public Sleeper, public ControlRequestQueue, public StatusReporter {
 public:
  void Sleep(std::chrono::milliseconds) override {
    if (++passes == 2) waiting.push_back(kControlStop);
  }
  std::optional<ControlCode> TakeRequest() override {
    if (waiting.empty()) return std::nullopt;
    const ControlCode code = waiting.front();
    waiting.pop_front();
    return code;
  }
  ControlCode WaitForRequest() override { return kControlStop; }
  void ReportStatus(ServiceStatus status) override { current = status; }
  ServiceStatus CurrentStatus() const override { return current; }

  int passes = 0;
  std::deque<ControlCode> waiting;
  ServiceStatus current = ServiceStatus::Running;
};

TEST_F(GuardWithWorkerTest, TheServiceStartsTheWorkerAtOnceAndEndsItWhenStopped) {
  StopOnSecondPass service;
  ServiceLoop loop(guard_, service, service, service);

  loop.Run();

  EXPECT_EQ(processes_.starts, 1);
  EXPECT_EQ(processes_.terminations, 1);
  EXPECT_EQ(service.current, ServiceStatus::StopPending);
  EXPECT_TRUE(Eventually([&] { return sandbox_.RunningWorkers().empty(); }));
}

}  // namespace
}  // namespace tolvane
