#include "tolvane/tolvane_guard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "fake_time_sources.h"
#include "temp_folder.h"
#include "tolvane/config_adm.h"
#include "tolvane/process_control.h"

namespace tolvane {
namespace {

using testing::FakeClock;
using testing::FakeFileTimes;
using ::testing::InSequence;
using ::testing::Return;
using ::testing::StrictMock;
using testing::TempFolder;
using testing::WriteFile;

class MockProcessControl : public ProcessControl {
 public:
  MOCK_METHOD(ProcessId, FindProcessIdByPath, (const std::string& path), (override));
  MOCK_METHOD(void, TerminateProcessById, (ProcessId process_id), (override));
  MOCK_METHOD(bool, StartProcess, (const std::string& path, const std::string& arguments), (override));
};

LocalTimestamp At(int hour, int minute, int second, int millisecond = 0) {
  return LocalTimestamp{2024, 3, 10, hour, minute, second, millisecond};
}

// A guard over an ini file in a temporary folder, with hand-set clock and file times.
class TolvaneGuardTest : public ::testing::Test {
 protected:
  void WriteSettings(const std::string& section) { WriteFile(folder_ / "Tolvane.ini", section); }

  TolvaneGuard MakeGuard() { return TolvaneGuard(GuardServices{*store_, processes_, clock_, files_}, executable_); }

  // With a store of its own, since a store reads each file once.
  TolvaneGuard MakeGuardAllowing(int max_minutes) {
    WriteSettings("[Tolvane]\nLogFileName=worker.log\nKorAsyncProcess=worker.exe\nMaxTimeForProcess=" +
                  std::to_string(max_minutes) + "\n");
    store_.emplace(executable_);
    return MakeGuard();
  }

  std::string LogPath() const { return folder_ / "worker.log"; }
  std::string WorkerPath() const { return folder_ / "worker.exe"; }

  TempFolder folder_;
  std::string executable_ = folder_ / "watch.exe";
  std::optional<TKorConfig> store_{std::in_place, executable_};
  StrictMock<MockProcessControl> processes_;
  FakeClock clock_;
  FakeFileTimes files_;
};

TEST_F(TolvaneGuardTest, ReadsItsSettingsFromTheTolvaneSection) {
  WriteSettings(
      "[Tolvane]\nLogFileName=logs\\w.log\nMaxTimeForProcess=$F\nKorAsyncProcess=bin/w.exe\n"
      "[Other]\nMaxTimeForProcess=99\n");
  store_->SetSection("Other");

  const TolvaneGuard guard = MakeGuard();

  EXPECT_EQ(store_->FileName(), folder_ / "Tolvane.ini");
  EXPECT_EQ(store_->Section(), "Tolvane");
  EXPECT_EQ(guard.LogFilePath(), folder_.Path() + "/logs\\w.log");
  EXPECT_EQ(guard.MaxTimeForProcess(), 15);
  EXPECT_EQ(guard.AsyncProcessPath(), folder_ / "bin/w.exe");
}

TEST_F(TolvaneGuardTest, MissingSettingsLeaveTheBareDirectory) {
  const TolvaneGuard guard = MakeGuard();

  EXPECT_EQ(guard.LogFilePath(), folder_.Path() + "/");
  EXPECT_EQ(guard.MaxTimeForProcess(), 0);
  EXPECT_EQ(guard.AsyncProcessPath(), folder_.Path() + "/");
}

TEST_F(TolvaneGuardTest, SettingsAreReadOnceAtConstruction) {
  WriteSettings("[Tolvane]\nMaxTimeForProcess=5\n");
  const TolvaneGuard guard = MakeGuard();
  store_->SetSection("Other");

  EXPECT_EQ(guard.MaxTimeForProcess(), 5);
  EXPECT_EQ(MakeGuard().MaxTimeForProcess(), 5);
}

struct AgeCase {
  const char* label;
  int max_minutes;
  LocalTimestamp written;
  LocalTimestamp now;
  bool alive;
};

TEST_F(TolvaneGuardTest, JudgesTheLogFilesAgeInRoundedMinutes) {
  const AgeCase cases[] = {
      {"15 min 29 s, limit 15", 15, At(10, 0, 0), At(10, 15, 29), true},
      {"15 min 31 s, limit 15", 15, At(10, 0, 0), At(10, 15, 31), false},
      {"40 s, limit 0", 0, At(10, 0, 0), At(10, 0, 40), false},
      {"29.999 s, limit 0", 0, At(10, 0, 0), At(10, 0, 29, 999), true},
      {"exactly 22.5 min goes down to even 22", 22, At(0, 0, 0), At(0, 22, 30), true},
      {"exactly 22.5 min is 22, over limit 21", 21, At(0, 0, 0), At(0, 22, 30), false},
      {"exactly 67.5 min goes up to even 68", 67, At(0, 0, 0), At(1, 7, 30), false},
      {"exactly 67.5 min is 68, within limit 68", 68, At(0, 0, 0), At(1, 7, 30), true},
      {"odd second counts as the even one before", 15, At(10, 0, 1), At(10, 15, 30, 500), false},
      {"even second kept", 15, At(10, 0, 2), At(10, 15, 30, 500), true},
      {"file time in the future", 0, At(10, 5, 0), At(10, 0, 0), true},
      {"future by 5 min, limit -1", -1, At(10, 5, 0), At(10, 0, 0), true},
      {"future by 5 min, limit -6", -6, At(10, 5, 0), At(10, 0, 0), false},
      {"fresh file, negative limit", -1, At(10, 0, 0), At(10, 0, 0), false},
      {"days old", 15, LocalTimestamp{2024, 3, 1, 10, 0, 0, 0}, At(10, 0, 0), false},
      {"before 1980 reads as time 0", 1000000, LocalTimestamp{1979, 12, 31, 23, 59, 58, 0}, At(10, 0, 0), false},
  };
  for (const AgeCase& c : cases) {
    const TolvaneGuard guard = MakeGuardAllowing(c.max_minutes);
    files_.files = {{LogPath(), c.written}};
    clock_.now = EncodeDateTime(c.now);
    EXPECT_EQ(guard.AsyncIsAlive(), c.alive) << c.label;
  }
}

TEST_F(TolvaneGuardTest, ALogThatIsNotAFileIsNeverAlive) {
  const TolvaneGuard guard = MakeGuardAllowing(1000000);
  clock_.now = EncodeDateTime(At(10, 0, 0));

  files_.files = {{WorkerPath(), At(10, 0, 0)}};
  EXPECT_FALSE(guard.AsyncIsAlive()) << "no log file";

  files_.files = {{LogPath(), std::nullopt}};
  EXPECT_FALSE(guard.AsyncIsAlive()) << "file whose time cannot be read";
}

TEST_F(TolvaneGuardTest, FileTimesHaveTwoSecondResolution) {
  const TolvaneGuard guard = MakeGuard();
  files_.files = {{"odd", At(10, 0, 1, 999)},
                  {"even", At(10, 0, 2)},
                  {"old", LocalTimestamp{1979, 12, 31, 23, 59, 58, 0}},
                  {"last", LocalTimestamp{2107, 12, 31, 23, 59, 59, 0}},
                  {"late", LocalTimestamp{2108, 1, 1, 0, 0, 0, 0}},
                  {"unreadable", std::nullopt}};

  EXPECT_EQ(guard.GetFileDateTime("odd"), EncodeDateTime(At(10, 0, 0)));
  EXPECT_EQ(guard.GetFileDateTime("even"), EncodeDateTime(At(10, 0, 2)));
  EXPECT_EQ(guard.GetFileDateTime("old"), 0.0);
  EXPECT_EQ(guard.GetFileDateTime("last"), EncodeDateTime({2107, 12, 31, 23, 59, 58, 0}));
  EXPECT_EQ(guard.GetFileDateTime("late"), 0.0);
  EXPECT_EQ(guard.GetFileDateTime("unreadable"), 0.0);
  EXPECT_EQ(guard.GetFileDateTime("missing"), 0.0);
}

TEST(AgeInWholeMinutesTest, RoundsHalvesToEven) {
  const double day = 45361.0;
  EXPECT_EQ(AgeInWholeMinutes(day + 1.0 / 64, day), 22);
  EXPECT_EQ(AgeInWholeMinutes(day + 3.0 / 64, day), 68);
  EXPECT_EQ(AgeInWholeMinutes(day + 5.0 / 64, day), 112);
  EXPECT_EQ(AgeInWholeMinutes(day, day + 1.0 / 64), -22);
  EXPECT_EQ(AgeInWholeMinutes(day, day + 3.0 / 64), -68);
  EXPECT_EQ(AgeInWholeMinutes(day, day), 0);
  EXPECT_EQ(AgeInWholeMinutes(day, 0), static_cast<std::int64_t>(45361) * 1440);
}

TEST_F(TolvaneGuardTest, AnAliveWorkerIsLeftAlone) {
  TolvaneGuard guard = MakeGuardAllowing(15);
  files_.files = {{LogPath(), At(10, 0, 0)}};
  clock_.now = EncodeDateTime(At(10, 15, 29));

  guard.CheckIfAsyncIsAlive();  // the strict mock fails on any process call
}

TEST_F(TolvaneGuardTest, AStaleWorkerIsTerminatedAndStartedAgain) {
  TolvaneGuard guard = MakeGuardAllowing(15);
  files_.files = {{LogPath(), At(10, 0, 0)}};
  clock_.now = EncodeDateTime(At(10, 15, 31));
  {
    InSequence in_order;
    EXPECT_CALL(processes_, FindProcessIdByPath(WorkerPath())).WillOnce(Return(4242));
    EXPECT_CALL(processes_, TerminateProcessById(4242u));
    EXPECT_CALL(processes_, StartProcess(WorkerPath(), "")).WillOnce(Return(true));
  }
  guard.CheckIfAsyncIsAlive();
}

TEST_F(TolvaneGuardTest, AMissingLogStartsAWorkerThatIsNotRunning) {
  TolvaneGuard guard = MakeGuardAllowing(15);
  {
    InSequence in_order;
    EXPECT_CALL(processes_, FindProcessIdByPath(WorkerPath())).WillOnce(Return(0));
    EXPECT_CALL(processes_, StartProcess(WorkerPath(), "")).WillOnce(Return(false));
  }
  guard.CheckIfAsyncIsAlive();
}

TEST_F(TolvaneGuardTest, KillAsyncProcessTerminatesOneWorker) {
  TolvaneGuard guard = MakeGuardAllowing(15);
  EXPECT_CALL(processes_, FindProcessIdByPath(WorkerPath())).WillOnce(Return(7)).WillOnce(Return(0));
  EXPECT_CALL(processes_, TerminateProcessById(7u)).Times(1);

  guard.KillAsyncProcess();
  guard.KillAsyncProcess();
}

}  // namespace
}  // namespace tolvane
