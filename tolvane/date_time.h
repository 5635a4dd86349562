// Date-time values as the service reckons them: days since 30 December 1899 as a double,
// with the time of day as the fraction (for days before that epoch the fraction counts
// backwards from the day, so -1.25 is 29 December 1899, 06:00).
#pragma once

namespace tolvane {

using TDateTime = double;

// A local calendar date and time of day.
struct LocalTimestamp {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

TDateTime EncodeDateTime(const LocalTimestamp& when);

}  // namespace tolvane
