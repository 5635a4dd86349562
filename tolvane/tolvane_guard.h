// TolvaneGuard: judges the worker program alive by the age of its log file, and restarts it.
// Construction opens "Tolvane.ini" in the given store, selects section "Tolvane" and reads
// LogFileName (default ""), MaxTimeForProcess (default 0) and KorAsyncProcess (default ""); the
// two names are appended as written to the executable's directory. The values never change.
// The worker is alive when its log file exists and its age, (now - file time) x 1440 rounded half
// to even, is at most MaxTimeForProcess minutes. Nothing here raises or reports an error.
#pragma once

#include <cstdint>
#include <string>

#include "tolvane/date_time.h"

namespace tolvane {

class FileTimes;
class LocalClock;
class ProcessControl;
class TKorConfig;

// What the service loop asks of the guard.
class WorkerWatch {
 public:
  virtual ~WorkerWatch() = default;
  virtual void CheckIfAsyncIsAlive() = 0;
  virtual void KillAsyncProcess() = 0;
};

// Everything the guard works through; all must outlive the guard.
struct GuardServices {
  TKorConfig& store;
  ProcessControl& processes;
  const LocalClock& clock;
  const FileTimes& files;
};

class TolvaneGuard final : public WorkerWatch {
 public:
  TolvaneGuard(const GuardServices& services, const std::string& executable_path);

  const std::string& LogFilePath() const { return log_file_path_; }
  std::int32_t MaxTimeForProcess() const { return max_time_for_process_; }
  const std::string& AsyncProcessPath() const { return async_process_path_; }

  // When the worker is not alive: terminate the first process of AsyncProcessPath, then start
  // it again at once with no arguments.
  void CheckIfAsyncIsAlive() override;

  // Terminates the first process of AsyncProcessPath, if any.
  void KillAsyncProcess() override;

  bool AsyncIsAlive() const;

  // Last-write time in local time, seconds rounded down to even (a FAT timestamp); 0 when it
  // cannot be read or lies outside the FAT range of years 1980 to 2107.
  TDateTime GetFileDateTime(const std::string& path) const;

 private:
  ProcessControl& processes_;
  const LocalClock& clock_;
  const FileTimes& files_;
  std::string log_file_path_;
  std::int32_t max_time_for_process_ = 0;
  std::string async_process_path_;
};

// (now - then) x 1440 to the nearest integer, an exact half going to the even neighbour,
// computed in extended precision from the two date-time values.
std::int64_t AgeInWholeMinutes(TDateTime now, TDateTime then);

}  // namespace tolvane
