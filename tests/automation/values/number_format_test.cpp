#include "lumetra/automation/values/number_format.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "lumetra/automation/values/wide_string.h"

namespace lumetra {
namespace {

struct FormatCase {
  double value;
  char16_t separator;
  std::string expected;
};

TEST(FormatGeneralNumberTest, GivesFifteenSignificantDigitsInFixedOrScientificLayout) {
  const std::vector<FormatCase> cases = {
      {0.0, u'.', "0"},
      {-0.0, u'.', "0"},
      {1.0, u'.', "1"},
      {1.5, u'.', "1.5"},
      {100.0, u'.', "100"},
      {-2.5, u'.', "-2.5"},
      {0.5, u'.', "0.5"},
      {1.0 / 3.0, u'.', "0.333333333333333"},
      {2.0 / 3.0, u'.', "0.666666666666667"},
      {0.1 + 0.2, u'.', "0.3"},
      {0.001, u'.', "0.001"},
      {0.0001, u'.', "0.0001"},
      {0.00012345, u'.', "0.00012345"},
      {1e-5, u'.', "1E-5"},
      {-1e-5, u'.', "-1E-5"},
      {1.5e-10, u'.', "1.5E-10"},
      {1.23456789012345e14, u'.', "123456789012345"},
      {999999999999999.0, u'.', "999999999999999"},
      {9999999999999999.0, u'.', "1E16"},
      {1e15, u'.', "1E15"},
      {1.234567890123456e15, u'.', "1.23456789012346E15"},
      {-1.234567890123456e15, u'.', "-1.23456789012346E15"},
      {1e100, u'.', "1E100"},
      {5e-324, u'.', "4.94065645841247E-324"},
      {std::numeric_limits<double>::max(), u'.', "1.79769313486232E308"},
      {std::numeric_limits<double>::quiet_NaN(), u'.', "NAN"},
      {std::numeric_limits<double>::infinity(), u'.', "INF"},
      {-std::numeric_limits<double>::infinity(), u'.', "-INF"},
      // The separator is the caller's; digits and exponent are unchanged.
      {1.5, u',', "1,5"},
      {-0.00012345, u',', "-0,00012345"},
      {1.5e-10, u',', "1,5E-10"},
      {100.0, u',', "100"},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(ToUtf8(FormatGeneralNumber(c.value, c.separator)), c.expected);
  }
}

}  // namespace
}  // namespace lumetra
