// The system's clock and file times, in local time with the time-zone bias in force now;
// implemented per platform (posix/system_time_posix.cpp, win/system_time_win.cpp).
#pragma once

#include "tolvane/time_sources.h"

namespace tolvane {

class SystemLocalClock final : public LocalClock {
 public:
  TDateTime Now() const override;
};

class SystemFileTimes final : public FileTimes {
 public:
  bool IsFile(const std::string& path) const override;
  // Whole seconds: the fraction of the file's time is dropped.
  std::optional<LocalTimestamp> LastWriteTime(const std::string& path) const override;
};

}  // namespace tolvane
