// Where the liveness guard gets "now" and a file's last-write time; injectable for tests.
// The system's own are in tolvane/system_time.h.
#pragma once

#include <optional>
#include <string>

#include "tolvane/date_time.h"

namespace tolvane {

class LocalClock {
 public:
  virtual ~LocalClock() = default;
  // The current local date and time, with milliseconds.
  virtual TDateTime Now() const = 0;
};

class FileTimes {
 public:
  virtual ~FileTimes() = default;
  // True when a file (not a directory) exists at path.
  virtual bool IsFile(const std::string& path) const = 0;
  // The file's last-write time in local time, converted with the time-zone bias in force now;
  // nullopt when it cannot be read (no such file, or a directory).
  virtual std::optional<LocalTimestamp> LastWriteTime(const std::string& path) const = 0;
};

}  // namespace tolvane
