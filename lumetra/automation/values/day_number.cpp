#include "lumetra/automation/values/day_number.h"

#include <chrono>

namespace lumetra {
namespace {

using std::chrono::sys_days;
using std::chrono::year_month_day;

// The system clock's epoch, 1 January 1970, is day number 25569.
constexpr int64_t kDayNumberOfSystemEpoch = 25569;

year_month_day ToYearMonthDay(const CivilDate& date) {
  return year_month_day{std::chrono::year{date.year}, std::chrono::month{static_cast<unsigned>(date.month)},
                        std::chrono::day{static_cast<unsigned>(date.day)}};
}

}  // namespace

bool IsValidCivilDate(const CivilDate& date) {
  if (date.year < -32767 || date.year > 32767) return false;
  if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31) return false;
  return ToYearMonthDay(date).ok();
}

int64_t DayNumberFromCivil(const CivilDate& date) {
  return sys_days{ToYearMonthDay(date)}.time_since_epoch().count() + kDayNumberOfSystemEpoch;
}

CivilDate CivilFromDayNumber(int64_t day_number) {
  const year_month_day date{sys_days{std::chrono::days{day_number - kDayNumberOfSystemEpoch}}};
  return {static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
          static_cast<int>(static_cast<unsigned>(date.day()))};
}

}  // namespace lumetra
