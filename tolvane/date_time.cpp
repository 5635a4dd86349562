#include "tolvane/date_time.h"

namespace tolvane {
namespace {

// Days from 1970-01-01 to the given proleptic Gregorian date (H. Hinnant's algorithm).
long long DaysFromCivil(long long year, unsigned month, unsigned day) {
  year -= month <= 2;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const unsigned year_of_era = static_cast<unsigned>(year - era * 400);
  const unsigned day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + static_cast<long long>(day_of_era) - 719468;
}

constexpr long long kDaysFrom1899To1970 = 25569;
constexpr double kMillisecondsPerDay = 86400000.0;

}  // namespace

TDateTime EncodeDateTime(const LocalTimestamp& when) {
  const double date = static_cast<double>(
      DaysFromCivil(when.year, static_cast<unsigned>(when.month), static_cast<unsigned>(when.day)) +
      kDaysFrom1899To1970);
  const double time =
      static_cast<double>(((when.hour * 60LL + when.minute) * 60 + when.second) * 1000 + when.millisecond) /
      kMillisecondsPerDay;
  return date < 0 ? date - time : date + time;
}

}  // namespace tolvane
