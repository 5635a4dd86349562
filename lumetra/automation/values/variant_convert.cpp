#include "lumetra/automation/values/variant_convert.h"

#include <atomic>
#include <limits>
#include <optional>
#include <string>

#include "lumetra/automation/values/decimal.h"
#include "lumetra/automation/values/errors.h"
#include "lumetra/automation/values/number_format.h"
#include "lumetra/automation/values/number_text.h"

namespace lumetra {
namespace {

// Runs one step that defers to the platform; a failure it reports is raised
// again with the conversion's own message for this source and target.
template <typename Step>
auto WithConversionMessages(VarTypeCode source, VarTypeCode target, Step step) -> decltype(step()) {
  try {
    return step();
  } catch (const OverflowError&) {
    ThrowOverflowError(source, target);
  } catch (const ConversionError&) {
    ThrowConversionError(source, target);
  }
}

// ---------------------------------------------------------------------------
// The conversions' common steps.

// The platform's conversion of a kind the tables leave to it; nullopt when it
// cannot convert or answers with another kind.
std::optional<Variant> PlatformChangeType(const Variant& value, VarTypeCode target) {
  std::optional<Variant> result = CurrentPlatformConversions().ChangeType(value, target);
  if (result && result->type() != target) return std::nullopt;
  return result;
}

int64_t ToInt64OrOverflow(double value, VarTypeCode source) {
  const std::optional<int64_t> rounded = RoundToInt64(value);
  if (!rounded) ThrowOverflowError(source, vt::I8);
  return *rounded;
}

// A 32-bit platform step that overflows leaves the decision to the double step
// that follows it: the value may still fit 64 bits.
template <typename Step>
std::optional<int32_t> Int32StepOrNothing(Step step) {
  try {
    return step();
  } catch (const OverflowError&) {
    return std::nullopt;
  }
}

// The platform's 32-bit integer conversion, else its double conversion, rounded.
template <typename Int32Step, typename DoubleStep>
std::optional<int64_t> Int64ByPlatform(VarTypeCode source, Int32Step int32_step, DoubleStep double_step) {
  const std::optional<int32_t> integer =
      WithConversionMessages(source, vt::I8, [&] { return Int32StepOrNothing(int32_step); });
  if (integer) return *integer;
  const std::optional<double> number = WithConversionMessages(source, vt::I8, double_step);
  if (number) return ToInt64OrOverflow(*number, source);
  return std::nullopt;
}

int64_t Int64FromString(WideStringView text, VarTypeCode source) {
  if (IsDecimalIntegerText(text)) {
    const std::optional<int64_t> value =
        DecimalIntegerValue(text, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
    if (!value) ThrowOverflowError(source, vt::I8);
    return *value;
  }
  const PlatformConversions& platform = CurrentPlatformConversions();
  const std::optional<int64_t> by_platform = Int64ByPlatform(
      source, [&] { return platform.I4FromStr(text); }, [&] { return platform.R8FromStr(text); });
  if (by_platform) return *by_platform;
  if (const std::optional<bool> word = BooleanWord(text)) return *word ? 1 : 0;
  ThrowConversionError(source, vt::I8);
}

int64_t Int64ByChangeType(const Variant& value, VarTypeCode source) {
  const auto as_int32 = [&]() -> std::optional<int32_t> {
    const std::optional<Variant> result = PlatformChangeType(value, vt::I4);
    if (!result) return std::nullopt;
    return static_cast<int32_t>(result->signed_value());
  };
  const auto as_double = [&]() -> std::optional<double> {
    const std::optional<Variant> result = PlatformChangeType(value, vt::R8);
    if (!result) return std::nullopt;
    return result->double_value();
  };
  const std::optional<int64_t> integer = Int64ByPlatform(source, as_int32, as_double);
  if (!integer) ThrowConversionError(source, vt::I8);
  return *integer;
}

double DoubleFromString(WideStringView text, VarTypeCode source) {
  const std::optional<double> value = WithConversionMessages(source, vt::R8, [&]() -> std::optional<double> {
    if (const std::optional<double> by_platform = CurrentPlatformConversions().R8FromStr(text)) return by_platform;
    return ParseDecimalNumber(text, DecimalSeparator());
  });
  if (!value) ThrowConversionError(source, vt::R8);
  return *value;
}

bool BoolFromString(WideStringView text, VarTypeCode source) {
  const std::optional<bool> by_platform =
      WithConversionMessages(source, vt::Bool, [&] { return CurrentPlatformConversions().BoolFromStr(text); });
  if (by_platform) return *by_platform;
  if (const std::optional<bool> word = BooleanWord(text)) return *word;
  if (const std::optional<bool> is_zero = IsZeroNumberText(text, DecimalSeparator())) return !*is_zero;
  ThrowConversionError(source, vt::Bool);
}

// The platform's conversion of a kind the tables leave to it; its result has the target kind.
Variant ByChangeType(const Variant& value, VarTypeCode source, VarTypeCode target) {
  std::optional<Variant> result =
      WithConversionMessages(source, target, [&] { return PlatformChangeType(value, target); });
  if (!result) ThrowConversionError(source, target);
  return std::move(*result);
}

std::atomic<char16_t> g_decimal_separator{u'.'};

}  // namespace

char16_t DecimalSeparator() { return g_decimal_separator.load(); }

void SetDecimalSeparator(char16_t separator) { g_decimal_separator.store(separator); }

int64_t VariantToInt64(const Variant& value) {
  const VarTypeCode source = value.type();
  const Variant& v = value.deref();
  switch (v.type()) {
    case vt::Empty:
      return 0;
    case vt::Null:
      ThrowConversionError(source, vt::I8);
    case vt::I1:
    case vt::I2:
    case vt::I4:
    case vt::I8:
    case vt::Int:
    case vt::Bool:
      return v.signed_value();
    case vt::UI1:
    case vt::UI2:
    case vt::UI4:
    case vt::UInt:
    case vt::UI8:
      if (v.unsigned_value() > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
        ThrowOverflowError(source, vt::I8);
      }
      return static_cast<int64_t>(v.unsigned_value());
    case vt::R4:
      return ToInt64OrOverflow(v.single_value(), source);
    case vt::R8:
    case vt::Date:
      return ToInt64OrOverflow(v.double_value(), source);
    case vt::Cy:
      return RoundCurrency(v.currency_scaled());
    case vt::BStr:
      return Int64FromString(v.string_value(), source);
    default:
      return Int64ByChangeType(v, source);
  }
}

WideString VariantToText(const Variant& value) {
  const VarTypeCode source = value.type();
  const Variant& v = value.deref();
  const PlatformConversions& platform = CurrentPlatformConversions();
  switch (v.type()) {
    case vt::Empty:
      return WideString();
    case vt::Null:
      ThrowConversionError(source, vt::BStr);
    case vt::I1:
    case vt::I2:
    case vt::I4:
    case vt::I8:
    case vt::Int:
      return Widen(std::to_string(v.signed_value()));
    case vt::UI1:
    case vt::UI2:
    case vt::UI4:
    case vt::UI8:
    case vt::UInt:
      return Widen(std::to_string(v.unsigned_value()));
    case vt::R4:
      return FormatGeneralNumber(v.single_value(), DecimalSeparator());
    case vt::R8:
      return FormatGeneralNumber(v.double_value(), DecimalSeparator());
    case vt::Cy:
      return WithConversionMessages(source, vt::BStr, [&] { return platform.BstrFromCy(v.currency_scaled()); });
    case vt::Date:
      return WithConversionMessages(source, vt::BStr, [&] { return platform.BstrFromDate(v.double_value()); });
    case vt::Bool:
      return v.bool_value() ? u"True" : u"False";
    case vt::BStr:
      return v.string_value();
    default:
      return ByChangeType(v, source, vt::BStr).string_value();
  }
}

double VariantToDouble(const Variant& value) {
  const VarTypeCode source = value.type();
  const Variant& v = value.deref();
  switch (v.type()) {
    case vt::Empty:
      return 0;
    case vt::Null:
      ThrowConversionError(source, vt::R8);
    case vt::I1:
    case vt::I2:
    case vt::I4:
    case vt::I8:
    case vt::Int:
    case vt::Bool:
      return static_cast<double>(v.signed_value());
    case vt::UI1:
    case vt::UI2:
    case vt::UI4:
    case vt::UI8:
    case vt::UInt:
      return static_cast<double>(v.unsigned_value());
    case vt::R4:
      return v.single_value();
    case vt::R8:
    case vt::Date:
      return v.double_value();
    case vt::Cy:
      return static_cast<double>(v.currency_scaled()) / kCurrencyScale;
    case vt::BStr:
      return DoubleFromString(v.string_value(), source);
    default:
      return ByChangeType(v, source, vt::R8).double_value();
  }
}

bool VariantToBool(const Variant& value) {
  const VarTypeCode source = value.type();
  const Variant& v = value.deref();
  switch (v.type()) {
    case vt::Empty:
      return false;
    case vt::Null:
      ThrowConversionError(source, vt::Bool);
    case vt::I1:
    case vt::I2:
    case vt::I4:
    case vt::I8:
    case vt::Int:
    case vt::Bool:
    case vt::Cy:
      return v.signed_value() != 0;
    case vt::UI1:
    case vt::UI2:
    case vt::UI4:
    case vt::UI8:
    case vt::UInt:
      return v.unsigned_value() != 0;
    case vt::R4:
      return v.single_value() != 0;
    case vt::R8:
    case vt::Date:
      return v.double_value() != 0;
    case vt::BStr:
      return BoolFromString(v.string_value(), source);
    default:
      return ByChangeType(v, source, vt::Bool).bool_value();
  }
}

}  // namespace lumetra
