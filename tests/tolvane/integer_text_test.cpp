#include "tolvane/integer_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace tolvane {
namespace {

struct IntegerCase {
  const char* text;
  std::optional<std::int32_t> expected;  // nullopt: not a number
};

TEST(IntegerTextTest, ConvertsTheTableOfTexts) {
  const std::optional<std::int32_t> bad;
  const IntegerCase cases[] = {
      {"15", 15},
      {"0x0F", 15},
      {"0X0f", 15},
      {"$F", 15},
      {"$f", 15},
      {"xF", 15},
      {"XF", 15},
      {"00015", 15},
      {"+15", 15},
      {"-15", -15},
      {"   15", 15},
      {"0", 0},
      {"-0", 0},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"00000000002147483647", 2147483647},
      {"2147483648", bad},
      {"-2147483649", bad},
      {"99999999999999999999", bad},
      {"$7FFFFFFF", 2147483647},
      {"$80000000", INT32_MIN},
      {"$FFFFFFFF", -1},
      {"0xFFFFFFFF", -1},
      {"-$FFFFFFFF", 1},
      {"-$80000000", INT32_MIN},
      {"-0x10", -16},
      {"+x10", 16},
      {"$000000001", 1},
      {"$0000000000FFFFFFFF", -1},
      {"$100000000", bad},
      {"", bad},
      {"15 min", bad},
      {"15 ", bad},
      {"\t15", bad},
      {"1.5", bad},
      {"1e3", bad},
      {"$", bad},
      {"0x", bad},
      {"x", bad},
      {"-", bad},
      {"+", bad},
      {"- 5", bad},
      {"--5", bad},
      {"$-5", bad},
      {"0x-10", bad},
      {"$G", bad},
      {"$ F", bad},
      {"0b101", bad},
      {"15h", bad},
  };
  for (const IntegerCase& c : cases) {
    EXPECT_EQ(ParseInt32(c.text), c.expected) << "text \"" << c.text << "\"";
  }
}

}  // namespace
}  // namespace tolvane
