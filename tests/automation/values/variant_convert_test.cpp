#include "lumetra/automation/values/variant_convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "lumetra/automation/values/errors.h"
#include "lumetra/automation/values/wide_string.h"

namespace lumetra {
namespace {

using namespace std::string_literals;

constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kInt64Min = std::numeric_limits<int64_t>::min();
constexpr uint64_t kUInt64Max = std::numeric_limits<uint64_t>::max();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The failure a case expects, by its message; "Overflow ..." messages must come
// as OverflowError, the others as ConversionError.
struct Fails {
  explicit Fails(std::string text) : message(std::move(text)) {}
  std::string message;
};

Fails CannotConvert(const std::string& source, const std::string& target) {
  return Fails("Could not convert variant of type (" + source + ") into type (" + target + ")");
}

Fails Overflows(const std::string& source, const std::string& target) {
  return Fails("Overflow while converting variant of type (" + source + ") into type (" + target + ")");
}

template <typename T>
struct Case {
  std::string label;
  Variant input;
  std::variant<T, Fails> expected;
};

template <typename T, typename Convert>
void CheckCases(const std::vector<Case<T>>& cases, Convert convert) {
  for (const Case<T>& c : cases) {
    SCOPED_TRACE(c.label);
    if (const T* expected = std::get_if<T>(&c.expected)) {
      try {
        EXPECT_EQ(convert(c.input), *expected);
      } catch (const Error& e) {
        ADD_FAILURE() << "unexpected error: " << e.what();
      }
      continue;
    }
    const std::string& message = std::get<Fails>(c.expected).message;
    const bool expect_overflow = message.starts_with("Overflow");
    try {
      convert(c.input);
      ADD_FAILURE() << "no error; expected: " << message;
    } catch (const OverflowError& e) {
      EXPECT_TRUE(expect_overflow) << "overflow: " << e.what();
      EXPECT_EQ(e.message(), message);
    } catch (const ConversionError& e) {
      EXPECT_FALSE(expect_overflow) << "conversion error: " << e.what();
      EXPECT_EQ(e.message(), message);
    }
  }
}

// Texts are compared in UTF-8 so that the tables read plainly.
std::string TextOf(const Variant& v) { return ToUtf8(VariantToText(v)); }

Variant Str(const std::u16string& text) { return Variant::String(text); }

DecimalValue Dec(uint64_t lo64, uint8_t scale, bool negative = false, uint32_t hi32 = 0) {
  DecimalValue d;
  d.lo64 = lo64;
  d.scale = scale;
  d.negative = negative;
  d.hi32 = hi32;
  return d;
}

class ScopedDecimalSeparator {
 public:
  explicit ScopedDecimalSeparator(char16_t separator) : previous_(DecimalSeparator()) {
    SetDecimalSeparator(separator);
  }
  ~ScopedDecimalSeparator() { SetDecimalSeparator(previous_); }
  ScopedDecimalSeparator(const ScopedDecimalSeparator&) = delete;
  ScopedDecimalSeparator& operator=(const ScopedDecimalSeparator&) = delete;

 private:
  char16_t previous_;
};

class ScopedPlatformConversions {
 public:
  explicit ScopedPlatformConversions(const PlatformConversions& conversions) { SetPlatformConversions(&conversions); }
  ~ScopedPlatformConversions() { SetPlatformConversions(nullptr); }
  ScopedPlatformConversions(const ScopedPlatformConversions&) = delete;
  ScopedPlatformConversions& operator=(const ScopedPlatformConversions&) = delete;
};

// Targets of the by-reference cases; they outlive every table.
const Variant& RefTarget(const Variant& value) {
  static std::vector<std::unique_ptr<Variant>> targets;
  targets.push_back(std::make_unique<Variant>(value));
  return *targets.back();
}

Variant Ref(const Variant& value) { return Variant::ByRef(RefTarget(value)); }

int object_stand_in = 0;  // its address stands for an automation object

// ---------------------------------------------------------------------------

TEST(VarTypeNameTest, NamesEveryKindByItsCode) {
  const std::vector<std::pair<VarTypeCode, std::string>> names = {
      {0, "Empty"},
      {1, "Null"},
      {2, "Smallint"},
      {3, "Integer"},
      {4, "Single"},
      {5, "Double"},
      {6, "Currency"},
      {7, "Date"},
      {8, "OleStr"},
      {9, "Dispatch"},
      {10, "Error"},
      {11, "Boolean"},
      {12, "Variant"},
      {13, "Unknown"},
      {14, "Decimal"},
      {16, "ShortInt"},
      {17, "Byte"},
      {18, "Word"},
      {19, "Cardinal"},
      {20, "Int64"},
      {21, "UInt64"},
      {22, "Int"},
      {23, "UInt"},
      // Kinds without a name of their own show their code.
      {15, "$000F"},
      {36, "$0024"},
      {0x0FFF, "$0FFF"},
      {0x4000 | 1, "ByRef Null"},
      {0x4000 | 8, "ByRef OleStr"},
      {0x2000 | 3, "Array Integer"},
      {0x2000 | 12, "Array Variant"},
      {0x6000 | 17, "ByRef Array Byte"},
  };
  for (const auto& [code, name] : names) {
    EXPECT_EQ(VarTypeName(code), name) << "code " << code;
  }
}

// ---------------------------------------------------------------------------

TEST(VariantToInt64Test, ConvertsEveryKindByTheIntegerRules) {
  const std::vector<Case<int64_t>> cases = {
      {"empty", Variant(), 0},
      {"null", Variant::Null(), CannotConvert("Null", "Int64")},
      // Integers of every width as they are.
      {"I1", Variant::I1(-128), -128},
      {"I2", Variant::I2(-32768), -32768},
      {"I4", Variant::I4(42), 42},
      {"I4 min", Variant::I4(std::numeric_limits<int32_t>::min()), -2147483648LL},
      {"I8 max", Variant::I8(kInt64Max), kInt64Max},
      {"I8 min", Variant::I8(kInt64Min), kInt64Min},
      {"INT", Variant::Int(-7), -7},
      {"UI1", Variant::UI1(255), 255},
      {"UI2", Variant::UI2(65535), 65535},
      {"UI4", Variant::UI4(4294967295u), 4294967295LL},
      {"UINT", Variant::UInt(4000000000u), 4000000000LL},
      {"UI8 at the signed max", Variant::UI8(static_cast<uint64_t>(kInt64Max)), kInt64Max},
      {"UI8 beyond the signed max", Variant::UI8(static_cast<uint64_t>(kInt64Max) + 1), Overflows("UInt64", "Int64")},
      {"UI8 max", Variant::UI8(kUInt64Max), Overflows("UInt64", "Int64")},
      {"true", Variant::Bool(true), -1},
      {"false", Variant::Bool(false), 0},
      // Floating kinds: nearest integer, halves to the even neighbour.
      {"double integral", Variant::R8(42.0), 42},
      {"double 1.5", Variant::R8(1.5), 2},
      {"double 2.5", Variant::R8(2.5), 2},
      {"double 3.5", Variant::R8(3.5), 4},
      {"double -1.5", Variant::R8(-1.5), -2},
      {"double -2.5", Variant::R8(-2.5), -2},
      {"double 2.4999", Variant::R8(2.4999), 2},
      {"double 2.5001", Variant::R8(2.5001), 3},
      {"double just below one half", Variant::R8(0.49999999999999994), 0},
      {"double -0.5", Variant::R8(-0.5), 0},
      {"double below 2^63", Variant::R8(9223372036854774784.0), 9223372036854774784LL},
      {"double -2^63", Variant::R8(-9223372036854775808.0), kInt64Min},
      {"double 2^63", Variant::R8(9223372036854775808.0), Overflows("Double", "Int64")},
      {"double -1e19", Variant::R8(-1e19), Overflows("Double", "Int64")},
      {"double NaN", Variant::R8(kNaN), Overflows("Double", "Int64")},
      {"double infinity", Variant::R8(kInfinity), Overflows("Double", "Int64")},
      {"single 2.5", Variant::R4(2.5f), 2},
      {"single 7.5", Variant::R4(7.5f), 8},
      {"single 1e20", Variant::R4(1e20f), Overflows("Single", "Int64")},
      {"date 2.5", Variant::Date(2.5), 2},
      {"date 45000.75", Variant::Date(45000.75), 45001},
      // Currency: value / 10000, rounded likewise.
      {"currency 1.5", Variant::Currency(15000), 2},
      {"currency 2.5", Variant::Currency(25000), 2},
      {"currency -2.5", Variant::Currency(-25000), -2},
      {"currency 3.5", Variant::Currency(35000), 4},
      {"currency 1.2345", Variant::Currency(12345), 1},
      {"currency 2.5001", Variant::Currency(25001), 3},
      {"currency max", Variant::Currency(kInt64Max), 922337203685478},
      {"currency min", Variant::Currency(kInt64Min), -922337203685478},
      // Strings: decimal integer text over the full 64-bit range first.
      {"text 42", Str(u"42"), 42},
      {"text -42", Str(u"-42"), -42},
      {"text +42", Str(u"+42"), 42},
      {"text 0042", Str(u"0042"), 42},
      {"text int64 max", Str(u"9223372036854775807"), kInt64Max},
      {"text int64 min", Str(u"-9223372036854775808"), kInt64Min},
      {"text beyond int64 max", Str(u"9223372036854775808"), Overflows("OleStr", "Int64")},
      {"text beyond int64 min", Str(u"-9223372036854775809"), Overflows("OleStr", "Int64")},
      {"text of 23 digits", Str(u"99999999999999999999999"), Overflows("OleStr", "Int64")},
      // ... then the platform's 32-bit conversion (blanks allowed) ...
      {"text with blanks", Str(u" 12 "), 12},
      {"text with tabs", Str(u"\t-12\t"), -12},
      // ... then its double conversion, rounded ...
      {"text with blanks beyond 32 bits", Str(u" 3000000000 "), 3000000000LL},
      {"text 1.5", Str(u"1.5"), 2},
      {"text 2.5", Str(u"2.5"), 2},
      {"text -2.5", Str(u"-2.5"), -2},
      {"text 1e3", Str(u"1e3"), 1000},
      {"text 1E-3", Str(u"1E-3"), 0},
      {"text 1e19", Str(u"1e19"), Overflows("OleStr", "Int64")},
      {"text 1e400", Str(u"1e400"), Overflows("OleStr", "Int64")},
      // ... then "True" and "False" in any letter case.
      {"text True", Str(u"True"), 1},
      {"text tRUE", Str(u"tRUE"), 1},
      {"text FALSE", Str(u"FALSE"), 0},
      {"text 12abc", Str(u"12abc"), CannotConvert("OleStr", "Int64")},
      {"text empty", Str(u""), CannotConvert("OleStr", "Int64")},
      {"text blank", Str(u"   "), CannotConvert("OleStr", "Int64")},
      {"text sign only", Str(u"-"), CannotConvert("OleStr", "Int64")},
      {"text 1,5 with the point separator", Str(u"1,5"), CannotConvert("OleStr", "Int64")},
      {"text with embedded zero", Str(u"12\0"s), CannotConvert("OleStr", "Int64")},
      {"text True with blanks", Str(u" True "), CannotConvert("OleStr", "Int64")},
      // Decimals by the platform: 32-bit integer rounded half to even, else double.
      {"decimal 2.5", Variant::Decimal(Dec(25, 1)), 2},
      {"decimal 3.5", Variant::Decimal(Dec(35, 1)), 4},
      {"decimal 2.51", Variant::Decimal(Dec(251, 2)), 3},
      {"decimal -2.5", Variant::Decimal(Dec(25, 1, true)), -2},
      {"decimal beyond 32 bits", Variant::Decimal(Dec(3000000000, 0)), 3000000000LL},
      {"decimal 2^64", Variant::Decimal(Dec(0, 0, false, 1)), Overflows("Decimal", "Int64")},
      // Kinds the platform cannot convert.
      {"error", Variant::ErrorCode(static_cast<int32_t>(0x80020004)), CannotConvert("Error", "Int64")},
      {"dispatch", Variant::Dispatch(&object_stand_in), CannotConvert("Dispatch", "Int64")},
      {"unknown", Variant::Unknown(&object_stand_in), CannotConvert("Unknown", "Int64")},
      {"array", Variant::ArrayOf(vt::I4), CannotConvert("Array Integer", "Int64")},
      // By reference: the value referred to; messages name the by-reference kind.
      {"byref I4", Ref(Variant::I4(42)), 42},
      {"byref I8", Ref(Variant::I8(kInt64Min)), kInt64Min},
      {"byref double 2.5", Ref(Variant::R8(2.5)), 2},
      {"byref text", Ref(Str(u"77")), 77},
      {"byref empty", Ref(Variant()), 0},
      {"byref null", Ref(Variant::Null()), CannotConvert("ByRef Null", "Int64")},
      {"byref UI8 max", Ref(Variant::UI8(kUInt64Max)), Overflows("ByRef UInt64", "Int64")},
      {"byref text 12abc", Ref(Str(u"12abc")), CannotConvert("ByRef OleStr", "Int64")},
      {"byref array", Ref(Variant::ArrayOf(vt::I4)), CannotConvert("ByRef Array Integer", "Int64")},
  };
  CheckCases(cases, VariantToInt64);
}

TEST(VariantToInt64Test, HandleGivenInEveryFormGivesTheSameInteger) {
  for (const Variant& handle : {Variant::I4(1234), Variant::I8(1234), Variant::R8(1234.0), Str(u"1234"),
                                Ref(Variant::I4(1234)), Ref(Str(u"1234"))}) {
    EXPECT_EQ(VariantToInt64(handle), 1234) << VarTypeName(handle.type());
  }
}

TEST(VariantToInt64Test, ReadsTextWithTheRegionalDecimalSeparator) {
  const ScopedDecimalSeparator comma(u',');
  const std::vector<Case<int64_t>> cases = {
      {"text 1,5", Str(u"1,5"), 2},
      {"text 2,5", Str(u"2,5"), 2},
      {"text 42", Str(u"42"), 42},
      {"text 1.5", Str(u"1.5"), CannotConvert("OleStr", "Int64")},
  };
  CheckCases(cases, VariantToInt64);
}

// ---------------------------------------------------------------------------

TEST(VariantToTextTest, ConvertsEveryKindByTheTextRules) {
  const std::vector<Case<std::string>> cases = {
      {"empty", Variant(), ""},
      {"null", Variant::Null(), CannotConvert("Null", "OleStr")},
      {"I1", Variant::I1(-5), "-5"},
      {"I2", Variant::I2(-32768), "-32768"},
      {"I4 min", Variant::I4(std::numeric_limits<int32_t>::min()), "-2147483648"},
      {"I8 max", Variant::I8(kInt64Max), "9223372036854775807"},
      {"I8 min", Variant::I8(kInt64Min), "-9223372036854775808"},
      {"INT", Variant::Int(12), "12"},
      {"UI1", Variant::UI1(255), "255"},
      {"UINT", Variant::UInt(4000000000u), "4000000000"},
      {"UI8 max", Variant::UI8(kUInt64Max), "18446744073709551615"},
      // Floating kinds: general number format.
      {"double 1.5", Variant::R8(1.5), "1.5"},
      {"double 100", Variant::R8(100.0), "100"},
      {"double -2.5", Variant::R8(-2.5), "-2.5"},
      {"double 1/3", Variant::R8(1.0 / 3.0), "0.333333333333333"},
      {"double 1e-5", Variant::R8(1e-5), "1E-5"},
      {"double 1e15", Variant::R8(1e15), "1E15"},
      {"single 1.5", Variant::R4(1.5f), "1.5"},
      // A single is widened first, so its binary value shows in 15 digits.
      {"single 0.1", Variant::R4(0.1f), "0.100000001490116"},
      {"true", Variant::Bool(true), "True"},
      {"false", Variant::Bool(false), "False"},
      // Currency and date by the platform.
      {"currency 1.5", Variant::Currency(15000), "1.5"},
      {"currency 1", Variant::Currency(10000), "1"},
      {"currency 0", Variant::Currency(0), "0"},
      {"currency -0.0005", Variant::Currency(-5), "-0.0005"},
      {"currency 12345.6789", Variant::Currency(123456789), "12345.6789"},
      {"currency min", Variant::Currency(kInt64Min), "-922337203685477.5808"},
      {"date 0", Variant::Date(0), "12:00:00 AM"},
      {"date 1", Variant::Date(1), "12/31/1899"},
      {"date 2.5", Variant::Date(2.5), "1/1/1900 12:00:00 PM"},
      {"date 36526", Variant::Date(36526), "1/1/2000"},
      {"date 45000.75", Variant::Date(45000.75), "3/15/2023 6:00:00 PM"},
      {"date -1.25", Variant::Date(-1.25), "12/29/1899 6:00:00 AM"},
      {"date last day", Variant::Date(2958465), "12/31/9999"},
      {"date first day", Variant::Date(-657434), "1/1/100"},
      {"date out of range", Variant::Date(3000000), CannotConvert("Date", "OleStr")},
      {"date NaN", Variant::Date(kNaN), CannotConvert("Date", "OleStr")},
      // Strings as they are, embedded zero characters included.
      {"text", Str(u"abc"), "abc"},
      {"text empty", Str(u""), ""},
      {"text with embedded zeros", Str(u"a\0b\0"s), "a\0b\0"s},
      {"text not ASCII", Str(u"a\u00F1o \u20AC"), "a\u00F1o \u20AC"},
      // Decimals by the platform: exact digits, trailing zeros dropped.
      {"decimal 2.50", Variant::Decimal(Dec(250, 2)), "2.5"},
      {"decimal -0.05", Variant::Decimal(Dec(5, 2, true)), "-0.05"},
      {"decimal 0.000", Variant::Decimal(Dec(0, 3)), "0"},
      {"decimal 2^64", Variant::Decimal(Dec(0, 0, false, 1)), "18446744073709551616"},
      {"decimal max", Variant::Decimal(Dec(kUInt64Max, 0, false, 0xFFFFFFFF)), "79228162514264337593543950335"},
      {"decimal max scaled", Variant::Decimal(Dec(kUInt64Max, 28, true, 0xFFFFFFFF)),
       "-7.9228162514264337593543950335"},
      {"error", Variant::ErrorCode(0), CannotConvert("Error", "OleStr")},
      {"dispatch", Variant::Dispatch(&object_stand_in), CannotConvert("Dispatch", "OleStr")},
      {"array", Variant::ArrayOf(vt::BStr), CannotConvert("Array OleStr", "OleStr")},
      {"byref text", Ref(Str(u"x\0y"s)), "x\0y"s},
      {"byref double", Ref(Variant::R8(1.5)), "1.5"},
      {"byref boolean", Ref(Variant::Bool(true)), "True"},
      {"byref null", Ref(Variant::Null()), CannotConvert("ByRef Null", "OleStr")},
  };
  CheckCases(cases, TextOf);
}

TEST(VariantToTextTest, UsesTheRegionalDecimalSeparator) {
  const ScopedDecimalSeparator comma(u',');
  const std::vector<Case<std::string>> cases = {
      {"double 1.5", Variant::R8(1.5), "1,5"},
      {"double -2.5", Variant::R8(-2.5), "-2,5"},
      {"double 1.5e-10", Variant::R8(1.5e-10), "1,5E-10"},
      {"single 0.5", Variant::R4(0.5f), "0,5"},
      {"currency 1.5", Variant::Currency(15000), "1,5"},
      {"decimal 2.5", Variant::Decimal(Dec(25, 1)), "2,5"},
      {"integer", Variant::I4(1000), "1000"},
      {"boolean", Variant::Bool(true), "True"},
      {"text", Str(u"1.5"), "1.5"},
  };
  CheckCases(cases, TextOf);
}

TEST(VariantToTextTest, DefaultSeparatorIsThePoint) { EXPECT_EQ(DecimalSeparator(), u'.'); }

// ---------------------------------------------------------------------------

TEST(VariantToDoubleTest, ConvertsEveryKindByTheDoubleRules) {
  const std::vector<Case<double>> cases = {
      {"empty", Variant(), 0.0},
      {"null", Variant::Null(), CannotConvert("Null", "Double")},
      {"I2", Variant::I2(-5), -5.0},
      {"true", Variant::Bool(true), -1.0},
      {"false", Variant::Bool(false), 0.0},
      {"I4", Variant::I4(42), 42.0},
      {"I8 beyond 2^53", Variant::I8(9007199254740993LL), 9007199254740992.0},
      {"UI8 max", Variant::UI8(kUInt64Max), 18446744073709551616.0},
      {"single", Variant::R4(0.1f), static_cast<double>(0.1f)},
      {"double", Variant::R8(2.5), 2.5},
      {"date", Variant::Date(45000.75), 45000.75},
      {"currency 1.5", Variant::Currency(15000), 1.5},
      {"currency -0.0005", Variant::Currency(-5), -0.0005},
      {"text 1.5", Str(u"1.5"), 1.5},
      {"text with blanks and exponent", Str(u" -2.5E1 "), -25.0},
      {"text .5", Str(u".5"), 0.5},
      {"text 5.", Str(u"5."), 5.0},
      {"text 42", Str(u"42"), 42.0},
      {"text 1e-400", Str(u"1e-400"), 0.0},
      {"text 1e400", Str(u"1e400"), Overflows("OleStr", "Double")},
      {"text abc", Str(u"abc"), CannotConvert("OleStr", "Double")},
      {"text empty", Str(u""), CannotConvert("OleStr", "Double")},
      {"text True", Str(u"True"), CannotConvert("OleStr", "Double")},
      {"text 1,5 with the point separator", Str(u"1,5"), CannotConvert("OleStr", "Double")},
      {"text exponent without digits", Str(u"1e"), CannotConvert("OleStr", "Double")},
      {"decimal 2.5", Variant::Decimal(Dec(25, 1)), 2.5},
      {"decimal 0.1", Variant::Decimal(Dec(1, 1)), 0.1},
      {"error", Variant::ErrorCode(0), CannotConvert("Error", "Double")},
      {"unknown", Variant::Unknown(&object_stand_in), CannotConvert("Unknown", "Double")},
      {"array", Variant::ArrayOf(vt::R8), CannotConvert("Array Double", "Double")},
      {"byref currency", Ref(Variant::Currency(15000)), 1.5},
      {"byref text", Ref(Str(u"0.25")), 0.25},
      {"byref null", Ref(Variant::Null()), CannotConvert("ByRef Null", "Double")},
  };
  CheckCases(cases, VariantToDouble);
}

TEST(VariantToDoubleTest, ReadsTextWithTheRegionalDecimalSeparator) {
  const ScopedDecimalSeparator comma(u',');
  const std::vector<Case<double>> cases = {
      {"text 1,5", Str(u"1,5"), 1.5},
      {"text with exponent", Str(u" -1,25E2 "), -125.0},
      {"text 1.5", Str(u"1.5"), CannotConvert("OleStr", "Double")},
  };
  CheckCases(cases, VariantToDouble);
}

// ---------------------------------------------------------------------------

TEST(VariantToBoolTest, ConvertsEveryKindByTheBooleanRules) {
  const std::vector<Case<bool>> cases = {
      {"empty", Variant(), false},
      {"null", Variant::Null(), CannotConvert("Null", "Boolean")},
      {"I4 0", Variant::I4(0), false},
      {"I4 -3", Variant::I4(-3), true},
      {"I1", Variant::I1(1), true},
      {"UI1 0", Variant::UI1(0), false},
      {"UI8 max", Variant::UI8(kUInt64Max), true},
      {"single 0", Variant::R4(0.0f), false},
      {"double 0.5", Variant::R8(0.5), true},
      {"double -0", Variant::R8(-0.0), false},
      {"date 0", Variant::Date(0), false},
      {"date 1", Variant::Date(1), true},
      {"currency 0", Variant::Currency(0), false},
      {"currency 0.0001", Variant::Currency(1), true},
      {"true", Variant::Bool(true), true},
      {"false", Variant::Bool(false), false},
      {"text True", Str(u"True"), true},
      {"text tRUE", Str(u"tRUE"), true},
      {"text FALSE", Str(u"FALSE"), false},
      {"text true with blanks", Str(u" true "), true},
      {"text 0", Str(u"0"), false},
      {"text 0.0", Str(u"0.0"), false},
      {"text 2", Str(u"2"), true},
      {"text -1", Str(u"-1"), true},
      {"text 0.5", Str(u"0.5"), true},
      {"text 1e400", Str(u"1e400"), true},
      {"text abc", Str(u"abc"), CannotConvert("OleStr", "Boolean")},
      {"text empty", Str(u""), CannotConvert("OleStr", "Boolean")},
      {"text yes", Str(u"yes"), CannotConvert("OleStr", "Boolean")},
      {"decimal 0", Variant::Decimal(Dec(0, 2)), false},
      {"decimal 0.01", Variant::Decimal(Dec(1, 2)), true},
      {"error", Variant::ErrorCode(0), CannotConvert("Error", "Boolean")},
      {"dispatch", Variant::Dispatch(&object_stand_in), CannotConvert("Dispatch", "Boolean")},
      {"array", Variant::ArrayOf(vt::Bool), CannotConvert("Array Boolean", "Boolean")},
      {"byref text", Ref(Str(u"True")), true},
      {"byref I4 0", Ref(Variant::I4(0)), false},
      {"byref null", Ref(Variant::Null()), CannotConvert("ByRef Null", "Boolean")},
  };
  CheckCases(cases, VariantToBool);
}

// ---------------------------------------------------------------------------

TEST(VariantConversionTest, NeverChangesTheInput) {
  const Variant text = Str(u" 2.5 ");
  const Variant copy = text;
  VariantToInt64(text);
  VariantToDouble(text);
  VariantToText(text);
  EXPECT_EQ(text, copy);
}

// ---------------------------------------------------------------------------
// The portable stand-ins for the platform's functions.

TEST(PortablePlatformConversionsTest, I4FromStrReadsDecimalIntegersWithinThirtyTwoBits) {
  const PlatformConversions& platform = CurrentPlatformConversions();
  EXPECT_EQ(platform.I4FromStr(u"12"), 12);
  EXPECT_EQ(platform.I4FromStr(u" +12\t"), 12);
  EXPECT_EQ(platform.I4FromStr(u"2147483647"), 2147483647);
  EXPECT_EQ(platform.I4FromStr(u"-2147483648"), std::numeric_limits<int32_t>::min());
  EXPECT_THROW(platform.I4FromStr(u"2147483648"), OverflowError);
  EXPECT_THROW(platform.I4FromStr(u" -2147483649"), OverflowError);
  for (const char16_t* text : {u"", u" ", u"1.5", u"1 2", u"abc", u"12abc", u"+"}) {
    EXPECT_EQ(platform.I4FromStr(text), std::nullopt) << ToUtf8(text);
  }
}

TEST(PortablePlatformConversionsTest, R8FromStrReadsDecimalNumbers) {
  const PlatformConversions& platform = CurrentPlatformConversions();
  EXPECT_EQ(platform.R8FromStr(u" 1.5 "), 1.5);
  EXPECT_EQ(platform.R8FromStr(u"-1.5e+2"), -150.0);
  EXPECT_THROW(platform.R8FromStr(u"1e309"), OverflowError);
  for (const char16_t* text : {u"", u".", u"1.5.2", u"e5", u"1e+", u"--1", u"1,5"}) {
    EXPECT_EQ(platform.R8FromStr(text), std::nullopt) << ToUtf8(text);
  }
}

TEST(PortablePlatformConversionsTest, BoolFromStrReadsWordsAndNumbers) {
  const PlatformConversions& platform = CurrentPlatformConversions();
  EXPECT_EQ(platform.BoolFromStr(u"tRue"), true);
  EXPECT_EQ(platform.BoolFromStr(u" false "), false);
  EXPECT_EQ(platform.BoolFromStr(u"-0.0"), false);
  EXPECT_EQ(platform.BoolFromStr(u"7"), true);
  EXPECT_EQ(platform.BoolFromStr(u"on"), std::nullopt);
}

TEST(PortablePlatformConversionsTest, ChangeTypeConvertsDecimalsOnly) {
  const PlatformConversions& platform = CurrentPlatformConversions();
  const Variant big = Variant::Decimal(Dec(2147483648, 0));
  EXPECT_THROW(platform.ChangeType(big, vt::I4), OverflowError);
  EXPECT_EQ(platform.ChangeType(Variant::Decimal(Dec(21474836475, 1, true)), vt::I4),
            Variant::I4(std::numeric_limits<int32_t>::min()));
  EXPECT_EQ(platform.ChangeType(Variant::Decimal(Dec(5, 1)), vt::I4), Variant::I4(0));
  EXPECT_EQ(platform.ChangeType(Variant::Decimal(Dec(15, 1)), vt::I4), Variant::I4(2));
  EXPECT_EQ(platform.ChangeType(Variant::Decimal(Dec(1, 0)), vt::Bool), Variant::Bool(true));
  EXPECT_EQ(platform.ChangeType(Variant::ErrorCode(0), vt::I4), std::nullopt);
  EXPECT_EQ(platform.ChangeType(Variant::Dispatch(&object_stand_in), vt::BStr), std::nullopt);
  EXPECT_EQ(platform.ChangeType(Variant::ArrayOf(vt::I4), vt::R8), std::nullopt);
}

// ---------------------------------------------------------------------------
// Installed platform conversions take part in every conversion.

// A platform that reads no text and answers for automation objects only.
class ObjectOnlyPlatform : public PlatformConversions {
 public:
  std::optional<int32_t> I4FromStr(WideStringView) const override { return std::nullopt; }
  std::optional<double> R8FromStr(WideStringView) const override { return std::nullopt; }
  std::optional<bool> BoolFromStr(WideStringView) const override { return std::nullopt; }
  std::optional<Variant> ChangeType(const Variant& value, VarTypeCode target) const override {
    if (value.type() != vt::Dispatch) return std::nullopt;
    switch (target) {
      case vt::I4:
        return Variant::I4(7);
      case vt::R8:
        return Variant::R8(7.5);
      case vt::BStr:
        return Variant::String(u"seven");
      case vt::Bool:
        return Variant::Bool(true);
      default:
        return std::nullopt;
    }
  }
};

TEST(InstalledPlatformConversionsTest, ObjectsConvertThroughThePlatform) {
  const ObjectOnlyPlatform platform;
  const ScopedPlatformConversions installed(platform);
  const Variant object = Variant::Dispatch(&object_stand_in);
  for (const Variant& v : {object, Ref(object)}) {
    EXPECT_EQ(VariantToInt64(v), 7);
    EXPECT_EQ(VariantToDouble(v), 7.5);
    EXPECT_EQ(ToUtf8(VariantToText(v)), "seven");
    EXPECT_TRUE(VariantToBool(v));
  }
}

TEST(InstalledPlatformConversionsTest, TextFallsBackWhenThePlatformCannotReadIt) {
  const ObjectOnlyPlatform platform;
  const ScopedPlatformConversions installed(platform);
  const std::vector<Case<double>> doubles = {
      {"text 1.5", Str(u"1.5"), 1.5},
      {"text abc", Str(u"abc"), CannotConvert("OleStr", "Double")},
  };
  CheckCases(doubles, VariantToDouble);
  const std::vector<Case<bool>> booleans = {
      {"text tRuE", Str(u"tRuE"), true},
      {"text False", Str(u"False"), false},
      {"text 0", Str(u"0"), false},
      {"text 3", Str(u"3"), true},
      {"text abc", Str(u"abc"), CannotConvert("OleStr", "Boolean")},
  };
  CheckCases(booleans, VariantToBool);
  // The integer conversion reads decimal integers and the boolean words itself.
  const std::vector<Case<int64_t>> integers = {
      {"text 42", Str(u"42"), 42},
      {"text true", Str(u"true"), 1},
      {"text 2.5", Str(u"2.5"), CannotConvert("OleStr", "Int64")},
  };
  CheckCases(integers, VariantToInt64);
}

// A platform whose 32-bit step overflows for objects and whose double step gives `number`.
class WideObjectPlatform : public PlatformConversions {
 public:
  explicit WideObjectPlatform(double number) : number_(number) {}
  std::optional<Variant> ChangeType(const Variant&, VarTypeCode target) const override {
    if (target == vt::I4) throw OverflowError("32-bit overflow");
    if (target == vt::R8) return Variant::R8(number_);
    return std::nullopt;
  }

 private:
  double number_;
};

TEST(InstalledPlatformConversionsTest, ThirtyTwoBitOverflowLeavesTheIntegerToTheDoubleStep) {
  const WideObjectPlatform five_billion(5e9);
  const WideObjectPlatform huge(1e300);
  const Variant object = Variant::Unknown(&object_stand_in);
  {
    const ScopedPlatformConversions installed(five_billion);
    EXPECT_EQ(VariantToInt64(object), 5000000000LL);
  }
  {
    const ScopedPlatformConversions installed(huge);
    CheckCases(std::vector<Case<int64_t>>{{"unknown", object, Overflows("Unknown", "Int64")}}, VariantToInt64);
  }
}

TEST(InstalledPlatformConversionsTest, ClearingRestoresThePortableDefaults) {
  const ObjectOnlyPlatform platform;
  SetPlatformConversions(&platform);
  EXPECT_EQ(&CurrentPlatformConversions(), &platform);
  SetPlatformConversions(nullptr);
  EXPECT_NE(&CurrentPlatformConversions(), &platform);
  EXPECT_EQ(VariantToInt64(Str(u" 12 ")), 12);
  EXPECT_THROW(VariantToInt64(Variant::Dispatch(&object_stand_in)), ConversionError);
}

}  // namespace
}  // namespace lumetra
