// Kind names of the conversion messages ("Null", "Int64", "ByRef OleStr",
// "Array Integer") and the two failures that a conversion raises with them.
#pragma once

#include <string>

#include "lumetra/automation/values/variant.h"

namespace lumetra {

std::string VarTypeName(VarTypeCode type);

// ConversionError "Could not convert variant of type (%s) into type (%s)".
[[noreturn]] void ThrowConversionError(VarTypeCode source, VarTypeCode target);

// OverflowError "Overflow while converting variant of type (%s) into type (%s)".
[[noreturn]] void ThrowOverflowError(VarTypeCode source, VarTypeCode target);

}  // namespace lumetra
