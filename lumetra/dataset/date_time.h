// Date-time values as day numbers: days from 1899-12-30, the fraction being
// the time of day (for days before 1899-12-30 the fraction still counts
// forward: -1.25 is 1899-12-29 06:00). Conversions to and from the texts of
// the data packet and the date text that a JSON string holds. Times are kept
// to the millisecond.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumetra::dataset {

struct CivilDateTime {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// nullopt when a part is out of range (years 1..9999).
std::optional<double> ToDayNumber(const CivilDateTime& civil);
// nullopt for a day number outside years 1..9999 or not finite.
std::optional<CivilDateTime> FromDayNumber(double day_number);

// The two forms of the date and time texts of a packet. Standard: dates
// "yyyymmdd", times "hh:nn:ssmmm", date-times "yyyymmddThh:nn:ssmmm".
// DayMonthYear, the form of Free Pascal's TBufDataset with its default
// settings: dates "d-m-yyyy", times "hh:nn:ss" with ".zzz" when there are
// milliseconds, date-times "d-m-yyyy hh:nn:ss[.zzz]" (read also as the date
// alone, which TBufDataset writes at midnight).
enum class DateForm { Standard, DayMonthYear };

// The readers take both forms and tell which one a date or date-time text
// was in (times read the same in both). Standard texts may also have a "."
// before the milliseconds or no milliseconds at all. Day-month-year dates
// take years of four digits or of two (the century from a window of 50 years
// before the current year onwards, as TBufDataset reads them) and 1 to 3
// digits of milliseconds. They return nullopt for anything else.
std::optional<double> ParsePacketDate(std::string_view text, DateForm* form = nullptr);
std::optional<double> ParsePacketTime(std::string_view text);
std::optional<double> ParsePacketDateTime(std::string_view text, DateForm* form = nullptr);
std::string FormatPacketDate(double day_number, DateForm form = DateForm::Standard);
std::string FormatPacketTime(double day_number, DateForm form = DateForm::Standard);
std::string FormatPacketDateTime(double day_number, DateForm form = DateForm::Standard);

// The date text conversion of DSToJSON, for the server's regional settings:
// first a date and time text (ISO "yyyy-mm-dd", "yyyy-mm-ddThh:nn:ss.zzz" or
// with a blank before the time; the short date "dd/mm/yyyy" optionally
// followed by a time; a time "hh:nn[:ss[.zzz]]" alone), then the short date
// alone, then a decimal number of days with the regional decimal separator.
// nullopt when none applies.
std::optional<double> DateTimeFromText(std::string_view text);

}  // namespace lumetra::dataset
