#include "tolvane/system_time.h"

#include <gtest/gtest.h>
#include <sys/time.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "../temp_folder.h"

namespace tolvane {
namespace {

// Sets the process's time zone for one test and restores it afterwards.
class TimeZone {
 public:
  explicit TimeZone(const char* zone) {
    if (const char* previous = std::getenv("TZ")) previous_ = previous;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  TimeZone(const TimeZone&) = delete;
  TimeZone& operator=(const TimeZone&) = delete;
  ~TimeZone() {
    if (previous_) {
      ::setenv("TZ", previous_->c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }

 private:
  std::optional<std::string> previous_;
};

bool operator==(const LocalTimestamp& a, const LocalTimestamp& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute &&
         a.second == b.second && a.millisecond == b.millisecond;
}

TEST(SystemFileTimesTest, ReportsLocalWholeSecondsOfFilesOnly) {
  const TimeZone zone("XYZ-3");  // three hours ahead of UTC, no daylight saving
  testing::TempFolder folder;
  const std::string file = folder / "worker.log";
  testing::WriteFile(file, "x");
  const timeval written[2] = {{1710072001, 900000}, {1710072001, 900000}};  // 2024-03-10 12:00:01.9 UTC
  ASSERT_EQ(::utimes(file.c_str(), written), 0);
  SystemFileTimes files;

  EXPECT_TRUE(files.IsFile(file));
  EXPECT_FALSE(files.IsFile(folder.Path()));
  EXPECT_FALSE(files.IsFile(folder / "missing"));
  const std::optional<LocalTimestamp> time = files.LastWriteTime(file);
  ASSERT_TRUE(time.has_value());
  EXPECT_TRUE(*time == (LocalTimestamp{2024, 3, 10, 15, 0, 1, 0}));
  EXPECT_FALSE(files.LastWriteTime(folder.Path()).has_value());
  EXPECT_FALSE(files.LastWriteTime(folder / "missing").has_value());
}

TEST(SystemLocalClockTest, ReadsTheLocalTime) {
  const TimeZone zone("XYZ-3");
  const auto encode_local = [](std::time_t when) {
    std::tm fields{};
    ::localtime_r(&when, &fields);
    return EncodeDateTime(
        {fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday, fields.tm_hour, fields.tm_min, fields.tm_sec, 0});
  };
  // The clock's own source: std::time() may read a coarser clock that lags it by a tick.
  const auto seconds_now = [] {
    std::timespec now{};
    std::timespec_get(&now, TIME_UTC);
    return now.tv_sec;
  };
  const TDateTime before = encode_local(seconds_now());
  const TDateTime now = SystemLocalClock().Now();
  const TDateTime after = encode_local(seconds_now() + 1);

  EXPECT_LE(before, now);
  EXPECT_LT(now, after);
}

}  // namespace
}  // namespace tolvane
