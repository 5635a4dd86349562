#include "tolvane/tolvane_guard.h"

#include <cmath>

#include "tolvane/config_adm.h"
#include "tolvane/kor_tools.h"
#include "tolvane/process_control.h"
#include "tolvane/time_sources.h"

namespace tolvane {
namespace {

bool InFatRange(const LocalTimestamp& when) { return when.year >= 1980 && when.year <= 2107; }

long double RoundHalfToEven(long double value) {
  const long double lower = std::floor(value);
  const long double fraction = value - lower;
  if (fraction < 0.5L) return lower;
  if (fraction > 0.5L) return lower + 1;
  return std::fmod(lower, 2.0L) == 0 ? lower : lower + 1;
}

}  // namespace

std::int64_t AgeInWholeMinutes(TDateTime now, TDateTime then) {
  const long double minutes = (static_cast<long double>(now) - static_cast<long double>(then)) * 1440.0L;
  return static_cast<std::int64_t>(RoundHalfToEven(minutes));
}

TolvaneGuard::TolvaneGuard(const GuardServices& services, const std::string& executable_path)
    : processes_(services.processes), clock_(services.clock), files_(services.files) {
  TKorConfig& store = services.store;
  store.OpenFile("Tolvane.ini");
  store.SetSection("Tolvane");
  const std::string executable_directory = ExtractFilePath(executable_path);
  log_file_path_ = executable_directory + store.ReadString("LogFileName", "");
  max_time_for_process_ = store.ReadInteger("MaxTimeForProcess", 0);
  async_process_path_ = executable_directory + store.ReadString("KorAsyncProcess", "");
}

TDateTime TolvaneGuard::GetFileDateTime(const std::string& path) const {
  std::optional<LocalTimestamp> written = files_.LastWriteTime(path);
  if (!written || !InFatRange(*written)) return 0;
  written->second -= written->second % 2;
  written->millisecond = 0;
  return EncodeDateTime(*written);
}

bool TolvaneGuard::AsyncIsAlive() const {
  if (!files_.IsFile(log_file_path_)) return false;
  const TDateTime written = GetFileDateTime(log_file_path_);
  const TDateTime now = clock_.Now();
  return AgeInWholeMinutes(now, written) <= max_time_for_process_;
}

void TolvaneGuard::CheckIfAsyncIsAlive() {
  if (AsyncIsAlive()) return;
  processes_.KillProcessByPath(async_process_path_);
  processes_.StartProcess(async_process_path_, "");
}

void TolvaneGuard::KillAsyncProcess() { processes_.KillProcessByPath(async_process_path_); }

}  // namespace tolvane
