#include "lumetra/automation/values/day_number.h"

#include <gtest/gtest.h>

namespace lumetra {
namespace {

struct KnownDay {
  CivilDate date;
  int64_t day_number;
};

TEST(DayNumberTest, KnownDatesHaveTheirDayNumbers) {
  const KnownDay known[] = {
      {{1899, 12, 30}, 0},   {{1899, 12, 29}, -1},    {{1900, 1, 1}, 2},      {{1900, 3, 1}, 61},
      {{1970, 1, 1}, 25569}, {{2000, 2, 29}, 36585},  {{100, 1, 1}, -657434}, {{9999, 12, 31}, 2958465},
      {{1, 1, 1}, -693593},  {{2024, 12, 31}, 45657},
  };
  for (const KnownDay& k : known) {
    EXPECT_EQ(DayNumberFromCivil(k.date), k.day_number) << k.date.year << "-" << k.date.month << "-" << k.date.day;
    const CivilDate back = CivilFromDayNumber(k.day_number);
    EXPECT_EQ(back.year, k.date.year);
    EXPECT_EQ(back.month, k.date.month);
    EXPECT_EQ(back.day, k.date.day);
  }
}

TEST(DayNumberTest, EveryDayOfYearsOneToTenThousandRoundTrips) {
  for (int64_t day = DayNumberFromCivil({1, 1, 1}); day <= DayNumberFromCivil({9999, 12, 31}); ++day) {
    const CivilDate date = CivilFromDayNumber(day);
    ASSERT_TRUE(IsValidCivilDate(date)) << day;
    ASSERT_EQ(DayNumberFromCivil(date), day);
  }
}

TEST(DayNumberTest, ImpossibleDatesAreNotValid) {
  const CivilDate invalid[] = {{2023, 2, 29}, {1900, 2, 29}, {2024, 4, 31}, {2024, 13, 1},
                               {2024, 0, 1},  {2024, 1, 0},  {2024, 1, 32}, {40000, 1, 1}};
  for (const CivilDate& date : invalid) {
    EXPECT_FALSE(IsValidCivilDate(date)) << date.year << "-" << date.month << "-" << date.day;
  }
  EXPECT_TRUE(IsValidCivilDate({2000, 2, 29}));
  EXPECT_TRUE(IsValidCivilDate({2024, 2, 29}));
}

}  // namespace
}  // namespace lumetra
