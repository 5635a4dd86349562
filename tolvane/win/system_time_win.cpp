#include "tolvane/system_time.h"

#include <windows.h>

#include "tolvane/file_access.h"

namespace tolvane {
namespace {

LocalTimestamp ToTimestamp(const SYSTEMTIME& time, int millisecond) {
  return LocalTimestamp{time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond, millisecond};
}

}  // namespace

TDateTime SystemLocalClock::Now() const {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return EncodeDateTime(ToTimestamp(now, now.wMilliseconds));
}

bool SystemFileTimes::IsFile(const std::string& path) const { return FileExists(path); }

std::optional<LocalTimestamp> SystemFileTimes::LastWriteTime(const std::string& path) const {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return std::nullopt;
  // FileTimeToLocalFileTime applies the bias in force now, not the one of the file's date.
  FILETIME local;
  SYSTEMTIME fields;
  if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &fields)) {
    return std::nullopt;
  }
  return ToTimestamp(fields, 0);
}

}  // namespace tolvane
