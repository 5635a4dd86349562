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

}  // namespace
}  // namespace tolvane
