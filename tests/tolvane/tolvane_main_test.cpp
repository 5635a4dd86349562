#include "tolvane/tolvane_main.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <stdexcept>
#include <vector>

#include "tolvane/tolvane_guard.h"

namespace tolvane {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Passes are numbered from 1; pass N is the one whose sleep is the Nth.
// Requests scheduled for pass N arrive during its sleep; requests "while frozen" arrive, in
// order, each time the frozen loop waits.
class ScriptedService final : public Sleeper, public ControlRequestQueue, public StatusReporter {
 public:
  void Sleep(std::chrono::milliseconds duration) override {
    EXPECT_EQ(duration, std::chrono::milliseconds(1000));
    ++sleeps;
    if (sleeps == failing_sleep) throw std::runtime_error("sleep failed");
    for (ControlCode code : arrivals[sleeps]) waiting.push_back(code);
  }

  std::optional<ControlCode> TakeRequest() override {
    if (waiting.empty()) return std::nullopt;
    const ControlCode code = waiting.front();
    waiting.pop_front();
    return code;
  }

  ControlCode WaitForRequest() override {
    waits_at_pass.push_back(sleeps);
    if (loop != nullptr) pass_counters_at_wait.push_back(loop->PassCounter());
    if (!waiting.empty()) return *TakeRequest();
    if (while_frozen.empty()) throw std::logic_error("frozen for good: nothing left to wake the loop");
    const ControlCode code = while_frozen.front();
    while_frozen.pop_front();
    return code;
  }

  void ReportStatus(ServiceStatus status) override {
    reported.push_back(status);
    current = status;
  }
  ServiceStatus CurrentStatus() const override { return current; }

  int sleeps = 0;
  int failing_sleep = -1;
  std::map<int, std::vector<ControlCode>> arrivals;
  std::deque<ControlCode> while_frozen;
  std::deque<ControlCode> waiting;
  std::vector<int> waits_at_pass;
  std::vector<int> pass_counters_at_wait;
  const ServiceLoop* loop = nullptr;
  std::vector<ServiceStatus> reported;
  ServiceStatus current = ServiceStatus::Running;
};

class CountingGuard final : public WorkerWatch {
 public:
  explicit CountingGuard(const ScriptedService& service) : service_(service) {}

  void CheckIfAsyncIsAlive() override {
    const int pass = service_.sleeps + 1;  // the check comes before the pass's sleep
    checked_at_pass.push_back(pass);
    if (pass == failing_check) throw std::runtime_error("check failed");
  }
  void KillAsyncProcess() override {
    ++kills;
    killed_after_pass = service_.sleeps;
  }

  std::vector<int> checked_at_pass;
  int failing_check = -1;
  int kills = 0;
  int killed_after_pass = -1;

 private:
  const ScriptedService& service_;
};

class ServiceLoopTest : public ::testing::Test {
 protected:
  void SetUp() override { service_.loop = &loop_; }
  void Run() { loop_.Run(); }

  ScriptedService service_;
  CountingGuard guard_{service_};
  ServiceLoop loop_{guard_, service_, service_, service_};
};

TEST_F(ServiceLoopTest, ChecksOnTheFirstPassAndEvery600th) {
  service_.arrivals[3000] = {kControlStop};
  Run();

  EXPECT_THAT(guard_.checked_at_pass, ElementsAre(1, 601, 1201, 1801, 2401));
  EXPECT_EQ(service_.sleeps, 3000);
  EXPECT_EQ(guard_.kills, 1);
  EXPECT_EQ(guard_.killed_after_pass, 3000);
  EXPECT_THAT(service_.reported, ElementsAre(ServiceStatus::StopPending));
  EXPECT_TRUE(loop_.Terminated());
}

TEST_F(ServiceLoopTest, StopOnTheFirstPassStillChecksAndTerminatesTheWorker) {
  service_.arrivals[1] = {kControlStop};
  Run();

  EXPECT_THAT(guard_.checked_at_pass, ElementsAre(1));
  EXPECT_EQ(service_.sleeps, 1);
  EXPECT_EQ(guard_.kills, 1);
}

TEST_F(ServiceLoopTest, ShutdownEndsTheLoopLikeStop) {
  service_.arrivals[601] = {kControlShutdown};
  Run();

  EXPECT_THAT(guard_.checked_at_pass, ElementsAre(1, 601));
  EXPECT_EQ(service_.sleeps, 601);
  EXPECT_THAT(service_.reported, ElementsAre(ServiceStatus::StopPending));
  EXPECT_EQ(guard_.kills, 1);
}

TEST_F(ServiceLoopTest, PauseFreezesTheLoopAndItsPassCounterUntilContinue) {
  service_.arrivals[300] = {kControlPause};
  service_.arrivals[1000] = {kControlStop};
  service_.while_frozen = {kControlContinue};
  Run();

  EXPECT_THAT(service_.waits_at_pass, ElementsAre(300));
  EXPECT_THAT(service_.pass_counters_at_wait, ElementsAre(299));
  EXPECT_THAT(guard_.checked_at_pass, ElementsAre(1, 601));
  EXPECT_EQ(service_.sleeps, 1000);
  EXPECT_THAT(service_.reported,
              ElementsAre(ServiceStatus::PausePending, ServiceStatus::Paused, ServiceStatus::ContinuePending,
                          ServiceStatus::Running, ServiceStatus::StopPending));
}

TEST_F(ServiceLoopTest, ARequestWaitingBehindPauseIsHandledWhileFrozen) {
  service_.arrivals[3] = {kControlPause, kControlInterrogate, kControlContinue};
  service_.arrivals[4] = {kControlStop};
  Run();

  EXPECT_THAT(service_.waits_at_pass, ElementsAre(3, 3));
  EXPECT_THAT(service_.reported,
              ElementsAre(ServiceStatus::PausePending, ServiceStatus::Paused, ServiceStatus::Paused,
                          ServiceStatus::ContinuePending, ServiceStatus::Running, ServiceStatus::StopPending));
}

TEST_F(ServiceLoopTest, InterrogateWhilePausedReportsPausedAndStaysFrozen) {
  service_.arrivals[5] = {kControlPause};
  service_.while_frozen = {kControlInterrogate, 200, kControlContinue};
  service_.arrivals[6] = {kControlStop};
  Run();

  EXPECT_THAT(service_.waits_at_pass, ElementsAre(5, 5, 5));
  EXPECT_EQ(service_.sleeps, 6);
  EXPECT_THAT(service_.reported,
              ElementsAre(ServiceStatus::PausePending, ServiceStatus::Paused, ServiceStatus::Paused,
                          ServiceStatus::ContinuePending, ServiceStatus::Running, ServiceStatus::StopPending));
}

TEST_F(ServiceLoopTest, StopWhilePausedEndsTheLoop) {
  service_.arrivals[5] = {kControlPause};
  service_.while_frozen = {kControlStop};
  Run();

  EXPECT_EQ(service_.sleeps, 5);
  EXPECT_THAT(service_.reported,
              ElementsAre(ServiceStatus::PausePending, ServiceStatus::Paused, ServiceStatus::StopPending));
  EXPECT_EQ(guard_.kills, 1);
  EXPECT_EQ(guard_.killed_after_pass, 5);
}

TEST_F(ServiceLoopTest, ShutdownWhilePausedEndsTheLoop) {
  service_.arrivals[5] = {kControlPause};
  service_.while_frozen = {kControlShutdown};
  Run();

  EXPECT_EQ(service_.sleeps, 5);
  EXPECT_EQ(guard_.kills, 1);
}

TEST_F(ServiceLoopTest, AllWaitingRequestsAreHandledInOnePump) {
  service_.arrivals[2] = {kControlInterrogate, 128, kControlStop, kControlInterrogate};
  Run();

  EXPECT_EQ(service_.sleeps, 2);
  EXPECT_THAT(service_.reported,
              ElementsAre(ServiceStatus::Running, ServiceStatus::StopPending, ServiceStatus::StopPending));
}

TEST_F(ServiceLoopTest, OtherCodesAreIgnored) {
  service_.arrivals[2] = {0, 6, 128, 255, 0xFFFFFFFF};
  service_.arrivals[4] = {kControlStop};
  Run();

  EXPECT_EQ(service_.sleeps, 4);
  EXPECT_THAT(service_.reported, ElementsAre(ServiceStatus::StopPending));
  EXPECT_THAT(service_.waits_at_pass, IsEmpty());
}

TEST_F(ServiceLoopTest, PauseAfterStopDoesNotFreeze) {
  service_.arrivals[2] = {kControlStop, kControlPause};
  Run();

  EXPECT_EQ(service_.sleeps, 2);
  EXPECT_THAT(service_.waits_at_pass, IsEmpty());
  EXPECT_EQ(guard_.kills, 1);
}

TEST_F(ServiceLoopTest, AFailedCheckTerminatesTheWorkerAndPropagates) {
  guard_.failing_check = 601;
  EXPECT_THROW(Run(), std::runtime_error);

  EXPECT_THAT(guard_.checked_at_pass, ElementsAre(1, 601));
  EXPECT_EQ(service_.sleeps, 600);
  EXPECT_EQ(guard_.kills, 1);
}

TEST_F(ServiceLoopTest, AFailedSleepTerminatesTheWorkerAndPropagates) {
  service_.failing_sleep = 3;
  EXPECT_THROW(Run(), std::runtime_error);

  EXPECT_EQ(guard_.kills, 1);
  EXPECT_EQ(guard_.killed_after_pass, 3);
}

}  // namespace
}  // namespace tolvane
