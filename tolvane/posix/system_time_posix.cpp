#include "tolvane/system_time.h"

#include <sys/stat.h>

#include <ctime>

#include "tolvane/file_access.h"

namespace tolvane {
namespace {

LocalTimestamp ToTimestamp(const std::tm& fields, int millisecond) {
  return LocalTimestamp{fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday, fields.tm_hour,
                        fields.tm_min,         fields.tm_sec,     millisecond};
}

// Seconds that local time is ahead of UTC right now.
long CurrentUtcOffset() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  return local.tm_gmtoff;
}

}  // namespace

TDateTime SystemLocalClock::Now() const {
  std::timespec now{};
  std::timespec_get(&now, TIME_UTC);
  std::tm local{};
  ::localtime_r(&now.tv_sec, &local);
  return EncodeDateTime(ToTimestamp(local, static_cast<int>(now.tv_nsec / 1000000)));
}

bool SystemFileTimes::IsFile(const std::string& path) const { return FileExists(path); }

std::optional<LocalTimestamp> SystemFileTimes::LastWriteTime(const std::string& path) const {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return std::nullopt;
  const std::time_t shifted = info.st_mtim.tv_sec + CurrentUtcOffset();
  std::tm fields{};
  if (::gmtime_r(&shifted, &fields) == nullptr) return std::nullopt;
  return ToTimestamp(fields, 0);
}

}  // namespace tolvane
