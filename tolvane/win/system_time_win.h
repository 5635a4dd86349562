// The Windows clock and file times, in local time with the time-zone bias in force now.
#pragma once

#include "tolvane/time_sources.h"

namespace tolvane::win {

class SystemLocalClock final : public LocalClock {
 public:
  TDateTime Now() const override;
};

class SystemFileTimes final : public FileTimes {
 public:
  bool IsFile(const std::string& path) const override;
  // The fraction of a second is dropped.
  std::optional<LocalTimestamp> LastWriteTime(const std::string& path) const override;
};

}  // namespace tolvane::win
