// The interface ILumetraCOM as data: its 25 methods in table order (the order
// of the interface's function table), each with its dispatch identifier and
// parameters. The type library's source, lumetra/automation/win/lumetra.idl,
// is written by hand; a test (idl_matches_table_test) fails when it differs
// from this table. The Windows server looks up by-reference string arguments
// here. See docs/adding_a_method.md.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace lumetra {

enum class ParamType {
  BStr,         // BSTR
  BStrRef,      // BSTR*
  VariantRef,   // VARIANT*
  Variant,      // VARIANT, by value
  Long,         // long (I4)
  Int,          // int (INT)
  VariantBool,  // VARIANT_BOOL
};

enum class ParamDirection { In, OutRetval };

struct ParamInfo {
  std::string_view name;
  ParamType type;  // for an out parameter, the type pointed to (VARIANT* out is Variant)
  ParamDirection direction;
};

struct MethodInfo {
  std::string_view name;
  int32_t dispid;
  std::span<const ParamInfo> params;
};

inline constexpr size_t kMethodCount = 25;

// Methods in table order; slot n+2 of the function table holds row n (1-based).
const std::array<MethodInfo, kMethodCount>& MethodTable();

// The row with this name (exact letter case) or dispid; nullptr when there is none.
const MethodInfo* FindMethod(std::string_view name);
const MethodInfo* FindMethod(int32_t dispid);

}  // namespace lumetra
