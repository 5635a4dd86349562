// The steps where the variant conversions defer to the platform's own variant
// functions (VarI4FromStr, VarR8FromStr, VarBoolFromStr, VarBstrFromCy,
// VarBstrFromDate, VariantChangeTypeEx). The methods' own definitions are the
// portable stand-ins (portable_conversions.cpp): they give the platform's
// results for the ordinary cases. The Windows server installs a subclass that
// calls the real functions (lumetra/automation/win/windows_conversions.h).
// Each step returns nullopt where the platform reports that it cannot convert
// and throws OverflowError where the platform reports an overflow.
#pragma once

#include <cstdint>
#include <optional>

#include "lumetra/automation/values/variant.h"

namespace lumetra {

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

// The process's platform conversions; never null. Passing nullptr restores the portable stand-ins.
const PlatformConversions& CurrentPlatformConversions();
void SetPlatformConversions(const PlatformConversions* conversions);

// The decimal separator of the regional settings: a process setting, "." by default.
char16_t DecimalSeparator();
void SetDecimalSeparator(char16_t separator);

}  // namespace lumetra
