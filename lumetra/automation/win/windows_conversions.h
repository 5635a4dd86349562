// The conversion steps that defer to the platform, done by OLE Automation's
// own variant functions for the user default locale.
#pragma once

#include "lumetra/automation/values/platform_conversions.h"

namespace lumetra::win {

class WindowsConversions final : public PlatformConversions {
 public:
  std::optional<int32_t> I4FromStr(WideStringView text) const override;
  std::optional<double> R8FromStr(WideStringView text) const override;
  std::optional<bool> BoolFromStr(WideStringView text) const override;
  WideString BstrFromCy(int64_t scaled_by_10000) const override;
  WideString BstrFromDate(double day_number) const override;
  std::optional<Variant> ChangeType(const Variant& value, VarTypeCode target) const override;
};

// Installs the platform's conversions and the regional decimal separator for the process.
void InstallWindowsConversions();

}  // namespace lumetra::win
