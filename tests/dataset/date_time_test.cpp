#include "lumetra/dataset/date_time.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cmath>
#include <optional>
#include <string>

#include "lumetra/automation/values/variant_convert.h"
#include "tests/test_names.h"

namespace lumetra::dataset {
namespace {

struct TextCase {
  std::string text;
  double expected;  // NAN: rejected
};

std::ostream& operator<<(std::ostream& out, const TextCase& c) { return out << c.text; }

class DateTextCaseTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(DateTextCaseTest, Converts) {
  const auto day = DateTimeFromText(GetParam().text);
  if (std::isnan(GetParam().expected)) {
    EXPECT_FALSE(day.has_value()) << GetParam().text << " gave " << *day;
  } else {
    ASSERT_TRUE(day.has_value()) << GetParam().text;
    EXPECT_NEAR(*day, GetParam().expected, 1e-9) << GetParam().text;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, DateTextCaseTest,
                         ::testing::Values(TextCase{"1899-12-30", 0}, TextCase{"2024-02-29", 45351},
                                           TextCase{"2023-02-29", NAN}, TextCase{"2024-02-29T12:00", 45351.5},
                                           TextCase{"2024-02-29 06:00:00.5", 45351.25 + 0.5 / 86400},
                                           TextCase{"29/02/2024", 45351}, TextCase{"1/1/1900", 2},
                                           TextCase{"29/2/2024 18:00", 45351.75}, TextCase{"12:00", 0.5},
                                           TextCase{"6:00:00", 0.25}, TextCase{"25:00", NAN}, TextCase{"45351", 45351},
                                           TextCase{"-1.25", -1.25}, TextCase{"1.5", 1.5}, TextCase{"", NAN},
                                           TextCase{"abc", NAN}, TextCase{"1e3", NAN}, TextCase{"2024-13-01", NAN},
                                           TextCase{"0000-01-01", NAN}, TextCase{"1/1/10000", NAN}),
                         lumetra::testing::NameFrom<&TextCase::text>{});

TEST(DateTextTest, DaysUseTheRegionalDecimalSeparator) {
  SetDecimalSeparator(u',');
  EXPECT_EQ(DateTimeFromText("1,5"), 1.5);
  EXPECT_FALSE(DateTimeFromText("1.5").has_value());
  SetDecimalSeparator(u'.');
}

TEST(PacketDatesTest, ReadAndWriteTheirFormats) {
  EXPECT_EQ(ParsePacketDate("20240229"), 45351.0);
  EXPECT_FALSE(ParsePacketDate("2024-02-29").has_value());
  EXPECT_FALSE(ParsePacketDate("20240230").has_value());
  EXPECT_DOUBLE_EQ(*ParsePacketTime("06:00:00000"), 0.25);
  EXPECT_DOUBLE_EQ(*ParsePacketTime("06:00:00.500"), 0.25 + 0.5 / 86400);
  EXPECT_DOUBLE_EQ(*ParsePacketTime("06:00:00"), 0.25);
  EXPECT_DOUBLE_EQ(*ParsePacketDateTime("18991229T06:00:00000"), -1.25);
  EXPECT_FALSE(ParsePacketDateTime("18991229 06:00:00000").has_value());
  EXPECT_EQ(FormatPacketDate(45351.75), "20240229");
  EXPECT_EQ(FormatPacketTime(45351.75), "18:00:00000");
  EXPECT_EQ(FormatPacketDateTime(-1.25), "18991229T06:00:00000");
  EXPECT_EQ(FormatPacketDateTime(0.9999999999), "18991231T00:00:00000");  // rounds to the millisecond
  // Every millisecond of a day survives the round trip.
  for (int ms = 0; ms < 86400000; ms += 86399) {
    const double day = 45351 + ms / 86400000.0;
    EXPECT_EQ(FormatPacketDateTime(*ParsePacketDateTime(FormatPacketDateTime(day))), FormatPacketDateTime(day));
    EXPECT_NEAR(*ParsePacketDateTime(FormatPacketDateTime(day)), day, 0.5 / 86400000.0);
  }
}

// TBufDataset's form: day-month-year with "-", a two-digit or four-digit year.
struct DayMonthYearCase {
  std::string text;
  bool date_time;  // read as a date-time (else as a date)
  std::optional<double> day;
};

std::ostream& operator<<(std::ostream& out, const DayMonthYearCase& c) { return out << c.text; }

class DayMonthYearTest : public ::testing::TestWithParam<DayMonthYearCase> {};

TEST_P(DayMonthYearTest, ReadsTheText) {
  const DayMonthYearCase& c = GetParam();
  DateForm form = DateForm::Standard;
  const auto day = c.date_time ? ParsePacketDateTime(c.text, &form) : ParsePacketDate(c.text, &form);
  ASSERT_EQ(day.has_value(), c.day.has_value()) << c.text;
  if (!day) return;
  EXPECT_NEAR(*day, *c.day, 0.5 / 86400000.0) << c.text;
  EXPECT_EQ(form, DateForm::DayMonthYear) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Texts, DayMonthYearTest,
                         ::testing::Values(DayMonthYearCase{"29-2-2024", false, 45351.0},
                                           DayMonthYearCase{"29-02-2024", false, 45351.0},
                                           DayMonthYearCase{"17-5-90", false, 33010.0},  // 1990-05-17
                                           DayMonthYearCase{"4-3-21", false, 44259.0},   // 2021-03-04
                                           DayMonthYearCase{"30-2-2024", false, std::nullopt},
                                           DayMonthYearCase{"1-1-199", false, std::nullopt},
                                           DayMonthYearCase{"29-2-2024 18:00:00", false, std::nullopt},
                                           DayMonthYearCase{"29-2-2024 18:00:00", true, 45351.75},
                                           DayMonthYearCase{"29-2-2024 6:00:00.5", true, 45351.25 + 0.5 / 86400},
                                           DayMonthYearCase{"29-2-2024 06:00:00.125", true, 45351.25 + 0.125 / 86400},
                                           DayMonthYearCase{"29-2-2024", true, 45351.0},  // midnight: the date alone
                                           DayMonthYearCase{"29-2-2024T06:00:00", true, std::nullopt},
                                           DayMonthYearCase{"29-2-2024 06:00", true, std::nullopt}),
                         lumetra::testing::NameFrom<&DayMonthYearCase::text>{});

TEST(PacketDatesTest, WriteTheDayMonthYearForm) {
  constexpr auto kForm = DateForm::DayMonthYear;
  EXPECT_EQ(FormatPacketDate(45351.75, kForm), "29-2-2024");
  EXPECT_EQ(FormatPacketDate(-1.25, kForm), "29-12-1899");
  EXPECT_EQ(FormatPacketTime(45351.75, kForm), "18:00:00");
  EXPECT_EQ(FormatPacketTime(0.25 + 0.5 / 86400, kForm), "06:00:00.500");
  EXPECT_EQ(FormatPacketDateTime(45351.75, kForm), "29-2-2024 18:00:00");
  EXPECT_EQ(FormatPacketDateTime(45351.0, kForm), "29-2-2024 00:00:00");
  for (int ms = 0; ms < 86400000; ms += 86399) {
    const double day = 45351 + ms / 86400000.0;
    EXPECT_NEAR(*ParsePacketDateTime(FormatPacketDateTime(day, kForm)), day, 0.5 / 86400000.0);
  }
}

}  // namespace
}  // namespace lumetra::dataset
