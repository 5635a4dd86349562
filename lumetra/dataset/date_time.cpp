#include "lumetra/dataset/date_time.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>

#include "lumetra/automation/values/day_number.h"
#include "lumetra/automation/values/platform_conversions.h"

namespace lumetra::dataset {
namespace {

constexpr int64_t kMsPerDay = 86400000;

// Reads exactly `count` digits at `pos`.
bool Digits(std::string_view text, size_t& pos, size_t count, int& value) {
  if (pos + count > text.size()) return false;
  value = 0;
  for (size_t i = 0; i < count; ++i) {
    const char c = text[pos + i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  pos += count;
  return true;
}

// Reads 1 to `max` digits at `pos`.
bool SomeDigits(std::string_view text, size_t& pos, size_t max, int& value) {
  size_t count = 0;
  while (pos + count < text.size() && count < max && text[pos + count] >= '0' && text[pos + count] <= '9') ++count;
  return count > 0 && Digits(text, pos, count, value);
}

bool Char(std::string_view text, size_t& pos, char c) {
  if (pos < text.size() && text[pos] == c) {
    ++pos;
    return true;
  }
  return false;
}

// "hh:nn:ss" with "mmm" or ".mmm" after it, or nothing.
bool PacketTime(std::string_view text, size_t& pos, CivilDateTime& civil) {
  if (!Digits(text, pos, 2, civil.hour) || !Char(text, pos, ':') || !Digits(text, pos, 2, civil.minute) ||
      !Char(text, pos, ':') || !Digits(text, pos, 2, civil.second)) {
    return false;
  }
  if (pos == text.size()) return true;
  Char(text, pos, '.');
  return Digits(text, pos, 3, civil.millisecond);
}

// A time of day "h:nn[:ss[.zzz]]" (1 or 2 hour digits).
bool TextTime(std::string_view text, size_t& pos, CivilDateTime& civil) {
  if (!SomeDigits(text, pos, 2, civil.hour) || !Char(text, pos, ':') || !Digits(text, pos, 2, civil.minute)) {
    return false;
  }
  if (!Char(text, pos, ':')) return true;
  if (!Digits(text, pos, 2, civil.second)) return false;
  if (!Char(text, pos, '.')) return true;
  int fraction = 0;
  const size_t start = pos;
  if (!SomeDigits(text, pos, 3, fraction)) return false;
  for (size_t n = pos - start; n < 3; ++n) fraction *= 10;
  civil.millisecond = fraction;
  return true;
}

bool IsoDate(std::string_view text, size_t& pos, CivilDateTime& civil) {
  return Digits(text, pos, 4, civil.year) && Char(text, pos, '-') && SomeDigits(text, pos, 2, civil.month) &&
         Char(text, pos, '-') && SomeDigits(text, pos, 2, civil.day);
}

bool ShortDate(std::string_view text, size_t& pos, CivilDateTime& civil) {
  return SomeDigits(text, pos, 2, civil.day) && Char(text, pos, '/') && SomeDigits(text, pos, 2, civil.month) &&
         Char(text, pos, '/') && Digits(text, pos, 4, civil.year);
}

std::optional<double> Finish(std::string_view text, size_t pos, const CivilDateTime& civil) {
  if (pos != text.size()) return std::nullopt;
  return ToDayNumber(civil);
}

std::optional<double> TimeOnly(const CivilDateTime& civil) {
  CivilDateTime t = civil;
  t.year = 1899, t.month = 12, t.day = 30;
  return ToDayNumber(t);
}

// The year of a two-digit year: the first year ending in those digits from
// 50 years before the current year on.
int WindowedYear(int two_digits) {
  const std::chrono::year_month_day today{std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now())};
  const int pivot = static_cast<int>(today.year()) - 50;
  int year = pivot / 100 * 100 + two_digits;
  if (year < pivot) year += 100;
  return year;
}

// "d-m-yyyy" or "d-m-yy".
bool DayMonthYear(std::string_view text, size_t& pos, CivilDateTime& civil) {
  if (!SomeDigits(text, pos, 2, civil.day) || !Char(text, pos, '-') || !SomeDigits(text, pos, 2, civil.month) ||
      !Char(text, pos, '-')) {
    return false;
  }
  const size_t start = pos;
  if (!SomeDigits(text, pos, 4, civil.year)) return false;
  if (pos - start == 2) civil.year = WindowedYear(civil.year);
  return pos - start == 2 || pos - start == 4;
}

// "h:nn:ss" with ".z" to ".zzz" or nothing after it.
bool DayMonthYearTime(std::string_view text, size_t& pos, CivilDateTime& civil) {
  if (!SomeDigits(text, pos, 2, civil.hour) || !Char(text, pos, ':') || !Digits(text, pos, 2, civil.minute) ||
      !Char(text, pos, ':') || !Digits(text, pos, 2, civil.second)) {
    return false;
  }
  if (!Char(text, pos, '.')) return true;
  int fraction = 0;
  const size_t start = pos;
  if (!SomeDigits(text, pos, 3, fraction)) return false;
  for (size_t n = pos - start; n < 3; ++n) fraction *= 10;
  civil.millisecond = fraction;
  return true;
}

// Appends a number of at least `width` digits (zeros in front).
void Put(std::string& out, int value, int width) {
  char digits[12];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0 && n < 11);
  while (n < width) digits[n++] = '0';
  while (n > 0) out.push_back(digits[--n]);
}

}  // namespace

std::optional<double> ToDayNumber(const CivilDateTime& c) {
  if (c.year < 1 || c.year > 9999 || !IsValidCivilDate({c.year, c.month, c.day}) || c.hour < 0 || c.hour > 23 ||
      c.minute < 0 || c.minute > 59 || c.second < 0 || c.second > 59 || c.millisecond < 0 || c.millisecond > 999) {
    return std::nullopt;
  }
  const int64_t days = DayNumberFromCivil({c.year, c.month, c.day});
  const double fraction =
      static_cast<double>(((c.hour * 60 + c.minute) * 60 + c.second) * 1000 + c.millisecond) / kMsPerDay;
  return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

std::optional<CivilDateTime> FromDayNumber(double day_number) {
  if (!std::isfinite(day_number) || std::fabs(day_number) > 3e6) return std::nullopt;
  int64_t days = static_cast<int64_t>(std::trunc(day_number));
  int64_t ms = std::llround(std::fabs(day_number - static_cast<double>(days)) * kMsPerDay);
  if (ms >= kMsPerDay) {
    ms -= kMsPerDay;
    days += day_number >= 0 ? 1 : -1;
  }
  const CivilDate date = CivilFromDayNumber(days);
  CivilDateTime c;
  c.year = date.year;
  c.month = date.month;
  c.day = date.day;
  if (c.year < 1 || c.year > 9999) return std::nullopt;
  c.millisecond = static_cast<int>(ms % 1000);
  c.second = static_cast<int>(ms / 1000 % 60);
  c.minute = static_cast<int>(ms / 60000 % 60);
  c.hour = static_cast<int>(ms / 3600000);
  return c;
}

std::optional<double> ParsePacketDate(std::string_view text, DateForm* form) {
  CivilDateTime c;
  size_t pos = 0;
  if (Digits(text, pos, 4, c.year) && Digits(text, pos, 2, c.month) && Digits(text, pos, 2, c.day)) {
    if (form) *form = DateForm::Standard;
    return Finish(text, pos, c);
  }
  c = CivilDateTime{};
  pos = 0;
  if (!DayMonthYear(text, pos, c)) return std::nullopt;
  if (form) *form = DateForm::DayMonthYear;
  return Finish(text, pos, c);
}

std::optional<double> ParsePacketTime(std::string_view text) {
  CivilDateTime c;
  size_t pos = 0;
  if (!PacketTime(text, pos, c) || pos != text.size()) return std::nullopt;
  return TimeOnly(c);
}

std::optional<double> ParsePacketDateTime(std::string_view text, DateForm* form) {
  CivilDateTime c;
  size_t pos = 0;
  if (Digits(text, pos, 4, c.year) && Digits(text, pos, 2, c.month) && Digits(text, pos, 2, c.day)) {
    if (!Char(text, pos, 'T') || !PacketTime(text, pos, c)) return std::nullopt;
    if (form) *form = DateForm::Standard;
    return Finish(text, pos, c);
  }
  c = CivilDateTime{};
  pos = 0;
  if (!DayMonthYear(text, pos, c)) return std::nullopt;
  if (pos < text.size() && (!Char(text, pos, ' ') || !DayMonthYearTime(text, pos, c))) return std::nullopt;
  if (form) *form = DateForm::DayMonthYear;
  return Finish(text, pos, c);
}

std::string FormatPacketDate(double day_number, DateForm form) {
  const CivilDateTime c = FromDayNumber(day_number).value_or(CivilDateTime{});
  std::string text;
  if (form == DateForm::DayMonthYear) {
    Put(text, c.day, 1), text += '-', Put(text, c.month, 1), text += '-', Put(text, c.year, 4);
  } else {
    Put(text, c.year, 4), Put(text, c.month, 2), Put(text, c.day, 2);
  }
  return text;
}

std::string FormatPacketTime(double day_number, DateForm form) {
  const CivilDateTime c = FromDayNumber(day_number).value_or(CivilDateTime{});
  std::string text;
  Put(text, c.hour, 2), text += ':', Put(text, c.minute, 2), text += ':', Put(text, c.second, 2);
  if (form == DateForm::DayMonthYear) {
    if (c.millisecond != 0) text += '.', Put(text, c.millisecond, 3);
  } else {
    Put(text, c.millisecond, 3);
  }
  return text;
}

std::string FormatPacketDateTime(double day_number, DateForm form) {
  if (form == DateForm::DayMonthYear) {
    return FormatPacketDate(day_number, form) + " " + FormatPacketTime(day_number, form);
  }
  return FormatPacketDate(day_number) + "T" + FormatPacketTime(day_number);
}

std::optional<double> DateTimeFromText(std::string_view text) {
  // Date and time texts.
  {
    CivilDateTime c;
    size_t pos = 0;
    if (IsoDate(text, pos, c)) {
      if (pos == text.size()) return ToDayNumber(c);
      if ((Char(text, pos, 'T') || Char(text, pos, ' ')) && TextTime(text, pos, c)) return Finish(text, pos, c);
    }
  }
  {
    CivilDateTime c;
    size_t pos = 0;
    if (ShortDate(text, pos, c) && Char(text, pos, ' ') && TextTime(text, pos, c)) return Finish(text, pos, c);
  }
  {
    CivilDateTime c;
    size_t pos = 0;
    if (TextTime(text, pos, c) && pos == text.size()) return TimeOnly(c);
  }
  // The short date alone.
  {
    CivilDateTime c;
    size_t pos = 0;
    if (ShortDate(text, pos, c)) {
      if (auto day = Finish(text, pos, c)) return day;
    }
  }
  // A decimal number of days.
  std::string number(text);
  const char separator = static_cast<char>(DecimalSeparator());
  for (char& ch : number) {
    if (ch == separator)
      ch = '.';
    else if (ch == '.')
      ch = separator == '.' ? '.' : '\x01';  // a point is not a separator here
  }
  const char* begin = number.data();
  const char* end = begin + number.size();
  if (begin != end && *begin == '+') ++begin;
  double value = 0;
  const auto result = std::from_chars(begin, end, value, std::chars_format::fixed);
  if (begin == end || result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) return std::nullopt;
  if (!FromDayNumber(value)) return std::nullopt;
  return value;
}

}  // namespace lumetra::dataset
