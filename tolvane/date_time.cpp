#include "tolvane/date_time.h"

#include <chrono>

namespace tolvane {
namespace {

// Tolvane counts days itself, not through Lumetra's day-number unit: it links none of Lumetra's code.
constexpr std::chrono::sys_days kEpoch{std::chrono::year{1899} / std::chrono::December / 30};
constexpr double kMillisecondsPerDay = 86400000.0;

// Days from 30 December 1899 to the given date of the proleptic Gregorian calendar.
long long DaysSinceEpoch(int year, int month, int day) {
  const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                                         std::chrono::day{static_cast<unsigned>(day)}};
  return (std::chrono::sys_days{date} - kEpoch).count();
}

}  // namespace

TDateTime EncodeDateTime(const LocalTimestamp& when) {
  const double date = static_cast<double>(DaysSinceEpoch(when.year, when.month, when.day));
  const double time =
      static_cast<double>(((when.hour * 60LL + when.minute) * 60 + when.second) * 1000 + when.millisecond) /
      kMillisecondsPerDay;
  return date < 0 ? date - time : date + time;
}

}  // namespace tolvane
