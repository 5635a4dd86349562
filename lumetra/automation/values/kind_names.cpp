#include "lumetra/automation/values/kind_names.h"

#include <array>
#include <string_view>

#include "lumetra/automation/values/errors.h"

namespace lumetra {
namespace {

// Names of the base kinds by type code; an empty entry has no name of its own.
// INT (22) and UINT (23) take the platform's own short names, since "Integer"
// and "Cardinal" already name the 32-bit kinds 3 and 19.
constexpr std::array<std::string_view, 24> kBaseKindNames = {
    "Empty",    "Null",     "Smallint", "Integer",  "Single",   "Double",   // 0-5
    "Currency", "Date",     "OleStr",   "Dispatch", "Error",    "Boolean",  // 6-11
    "Variant",  "Unknown",  "Decimal",  "",         "ShortInt", "Byte",     // 12-17
    "Word",     "Cardinal", "Int64",    "UInt64",   "Int",      "UInt",     // 18-23
};

// A kind without a name of its own is shown by its code: "$0024".
std::string HexKindName(VarTypeCode base) {
  constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::string name = "$";
  for (int shift = 12; shift >= 0; shift -= 4) name += kHexDigits[(base >> shift) & 0xF];
  return name;
}

std::string BaseKindName(VarTypeCode base) {
  if (base < kBaseKindNames.size() && !kBaseKindNames[base].empty()) {
    return std::string(kBaseKindNames[base]);
  }
  return HexKindName(base);
}

}  // namespace

std::string VarTypeName(VarTypeCode type) {
  std::string name = BaseKindName(type & vt::TypeMask);
  if ((type & vt::Array) != 0) name = "Array " + name;
  if ((type & vt::ByRef) != 0) name = "ByRef " + name;
  return name;
}

// The source kind is named as the caller gave it, by-reference marker included
// ("ByRef Null"): the message tells the client what it passed, although the
// conversion itself works on the value referred to.
void ThrowConversionError(VarTypeCode source, VarTypeCode target) {
  throw ConversionError("Could not convert variant of type (" + VarTypeName(source) + ") into type (" +
                        VarTypeName(target) + ")");
}

void ThrowOverflowError(VarTypeCode source, VarTypeCode target) {
  throw OverflowError("Overflow while converting variant of type (" + VarTypeName(source) + ") into type (" +
                      VarTypeName(target) + ")");
}

}  // namespace lumetra
