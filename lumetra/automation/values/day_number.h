// Calendar dates as day numbers: whole days from 30 December 1899 (day 0) in
// the proleptic Gregorian calendar, the day count of the automation date kind.
// Only whole days: each caller keeps its own rule for the time-of-day fraction.
#pragma once

#include <cstdint>

namespace lumetra {

struct CivilDate {
  int year = 1899;
  int month = 12;
  int day = 30;
};

// True when month and day exist in that year (years -32767..32767).
bool IsValidCivilDate(const CivilDate& date);

// The day number of a valid date (see IsValidCivilDate).
int64_t DayNumberFromCivil(const CivilDate& date);

// The date of a day number; day numbers of years -32767..32767 only.
CivilDate CivilFromDayNumber(int64_t day_number);

}  // namespace lumetra
