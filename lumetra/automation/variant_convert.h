// Conversions between automation values and native values, following the
// platform's variant rules. A failed conversion throws ConversionError
// ("Could not convert variant of type (%s) into type (%s)") or OverflowError
// ("Overflow while converting variant of type (%s) into type (%s)"); the
// conversions never change their input.
#pragma once

#include <cstdint>
#include <optional>

#include "lumetra/automation/variant.h"

namespace lumetra {

// Integer conversion (JSON handles): empty 0, integers as they are, boolean -1/0,
// floating kinds rounded half to even, strings as decimal integers or by the
// platform's text conversion, "True"/"False" as 1/0.
int64_t VariantToInt64(const Variant& value);

// Text conversion: numbers in general format with the regional decimal
// separator, booleans "True"/"False", strings as they are, empty "".
WideString VariantToText(const Variant& value);

// Double conversion.
double VariantToDouble(const Variant& value);

// Boolean conversion.
bool VariantToBool(const Variant& value);

// Kind names of the conversion messages: "Null", "Int64", "ByRef OleStr", "Array Integer".
std::string VarTypeName(VarTypeCode type);

// The decimal separator of the regional settings: a process setting, "." by default.
char16_t DecimalSeparator();
void SetDecimalSeparator(char16_t separator);

// The steps where the conversions defer to the platform's own variant
// functions (VarI4FromStr, VarR8FromStr, VarBoolFromStr, VarBstrFromCy,
// VarBstrFromDate, VariantChangeTypeEx). The portable defaults give the same
// results for the ordinary cases; the Windows build installs the real ones.
// Each returns nullopt where the platform reports that it cannot convert and
// throws OverflowError where the platform reports an overflow.
class PlatformConversions {
 public:
  virtual ~PlatformConversions() = default;
  virtual std::optional<int32_t> I4FromStr(WideStringView text) const;
  virtual std::optional<double> R8FromStr(WideStringView text) const;
  virtual std::optional<bool> BoolFromStr(WideStringView text) const;
  virtual WideString BstrFromCy(int64_t scaled_by_10000) const;
  virtual WideString BstrFromDate(double day_number) const;
  // VariantChangeTypeEx for the kinds the tables leave to the platform
  // (objects, errors, decimals, arrays). target is vt::I4, vt::R8, vt::BStr or vt::Bool.
  virtual std::optional<Variant> ChangeType(const Variant& value, VarTypeCode target) const;
};

// The process's platform conversions; never null. Passing nullptr restores the portable defaults.
const PlatformConversions& CurrentPlatformConversions();
void SetPlatformConversions(const PlatformConversions* conversions);

}  // namespace lumetra
