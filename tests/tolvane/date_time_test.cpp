#include "tolvane/date_time.h"

#include <gtest/gtest.h>

namespace tolvane {
namespace {

TEST(DateTimeTest, CountsDaysFromTheEndOf1899) {
  EXPECT_EQ(EncodeDateTime({1899, 12, 30, 0, 0, 0, 0}), 0.0);
  EXPECT_EQ(EncodeDateTime({1900, 1, 1, 0, 0, 0, 0}), 2.0);
  EXPECT_EQ(EncodeDateTime({2024, 3, 10, 12, 0, 0, 0}), 45361.5);
  EXPECT_EQ(EncodeDateTime({2024, 3, 10, 0, 22, 30, 0}), 45361.0 + 1.0 / 64);
  EXPECT_EQ(EncodeDateTime({2024, 3, 10, 0, 0, 0, 500}), 45361.0 + 500.0 / 86400000.0);
  EXPECT_EQ(EncodeDateTime({1899, 12, 29, 6, 0, 0, 0}), -1.25);
}

TEST(DateTimeTest, FollowsTheGregorianLeapYears) {
  EXPECT_EQ(EncodeDateTime({1900, 2, 28, 0, 0, 0, 0}), 60.0);
  EXPECT_EQ(EncodeDateTime({1900, 3, 1, 0, 0, 0, 0}), 61.0);  // 1900 has no 29 February
  EXPECT_EQ(EncodeDateTime({2000, 2, 29, 0, 0, 0, 0}), 36585.0);
  EXPECT_EQ(EncodeDateTime({2000, 3, 1, 0, 0, 0, 0}), 36586.0);
  EXPECT_EQ(EncodeDateTime({2024, 2, 29, 0, 0, 0, 0}), 45351.0);
  EXPECT_EQ(EncodeDateTime({2107, 12, 31, 0, 0, 0, 0}), 75971.0);
  EXPECT_EQ(EncodeDateTime({1601, 1, 1, 0, 0, 0, 0}), -109205.0);
}

}  // namespace
}  // namespace tolvane
