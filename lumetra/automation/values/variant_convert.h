// Conversions between automation values and native values, following the
// platform's variant rules. A failed conversion throws ConversionError
// ("Could not convert variant of type (%s) into type (%s)") or OverflowError
// ("Overflow while converting variant of type (%s) into type (%s)"); the
// conversions never change their input. Where the rules defer to the platform
// they call CurrentPlatformConversions().
#pragma once

#include <cstdint>

#include "lumetra/automation/values/kind_names.h"
#include "lumetra/automation/values/platform_conversions.h"
#include "lumetra/automation/values/variant.h"

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

}  // namespace lumetra
