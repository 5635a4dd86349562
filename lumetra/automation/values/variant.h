// Automation values: a tagged value of the Windows VARIANT kinds, with the
// platform's type codes. Strings keep embedded zero characters. A by-reference
// value (code | vt::ByRef) points at another Variant of the base kind, which
// must outlive it; every reader looks through it with deref().
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "lumetra/automation/values/wide_string.h"

namespace lumetra {

using VarTypeCode = uint16_t;

namespace vt {
inline constexpr VarTypeCode Empty = 0;
inline constexpr VarTypeCode Null = 1;
inline constexpr VarTypeCode I2 = 2;
inline constexpr VarTypeCode I4 = 3;
inline constexpr VarTypeCode R4 = 4;
inline constexpr VarTypeCode R8 = 5;
inline constexpr VarTypeCode Cy = 6;
inline constexpr VarTypeCode Date = 7;
inline constexpr VarTypeCode BStr = 8;
inline constexpr VarTypeCode Dispatch = 9;
inline constexpr VarTypeCode Error = 10;
inline constexpr VarTypeCode Bool = 11;
inline constexpr VarTypeCode Variant = 12;
inline constexpr VarTypeCode Unknown = 13;
inline constexpr VarTypeCode Decimal = 14;
inline constexpr VarTypeCode I1 = 16;
inline constexpr VarTypeCode UI1 = 17;
inline constexpr VarTypeCode UI2 = 18;
inline constexpr VarTypeCode UI4 = 19;
inline constexpr VarTypeCode I8 = 20;
inline constexpr VarTypeCode UI8 = 21;
inline constexpr VarTypeCode Int = 22;
inline constexpr VarTypeCode UInt = 23;
inline constexpr VarTypeCode Array = 0x2000;
inline constexpr VarTypeCode ByRef = 0x4000;
inline constexpr VarTypeCode TypeMask = 0x0FFF;
}  // namespace vt

// The platform's DECIMAL: a 96-bit magnitude scaled by 10^-scale (scale 0..28).
struct DecimalValue {
  uint8_t scale = 0;
  bool negative = false;
  uint32_t hi32 = 0;
  uint64_t lo64 = 0;

  bool operator==(const DecimalValue&) const = default;
};

class Variant {
 public:
  Variant() = default;  // empty

  static Variant Null();
  static Variant I1(int8_t v) { return Signed(vt::I1, v); }
  static Variant I2(int16_t v) { return Signed(vt::I2, v); }
  static Variant I4(int32_t v) { return Signed(vt::I4, v); }
  static Variant I8(int64_t v) { return Signed(vt::I8, v); }
  static Variant Int(int32_t v) { return Signed(vt::Int, v); }
  static Variant UI1(uint8_t v) { return Unsigned(vt::UI1, v); }
  static Variant UI2(uint16_t v) { return Unsigned(vt::UI2, v); }
  static Variant UI4(uint32_t v) { return Unsigned(vt::UI4, v); }
  static Variant UI8(uint64_t v) { return Unsigned(vt::UI8, v); }
  static Variant UInt(uint32_t v) { return Unsigned(vt::UInt, v); }
  static Variant R4(float v);
  static Variant R8(double v);
  static Variant Date(double day_number);
  static Variant Currency(int64_t scaled_by_10000);
  static Variant Bool(bool v);
  static Variant String(WideString text);
  static Variant ErrorCode(int32_t scode);
  static Variant Decimal(DecimalValue v);
  static Variant Dispatch(void* object);  // not owned
  static Variant Unknown(void* object);   // not owned
  // An array of one dimension with its elements in index order (each element
  // already a value of its own kind; element_type is the array's declared kind).
  static Variant ArrayOf(VarTypeCode element_type, std::vector<Variant> elements = {});
  static Variant ByRef(const Variant& target);

  VarTypeCode type() const { return type_; }
  bool is_byref() const { return (type_ & vt::ByRef) != 0; }
  // The value read through a reference; the value itself otherwise.
  const Variant& deref() const { return is_byref() ? *value_.ref : *this; }

  // Payload accessors; each is valid only for its kinds.
  int64_t signed_value() const { return value_.i; }                 // I1, I2, I4, I8, Int; Bool as -1/0
  uint64_t unsigned_value() const { return value_.u; }              // UI1, UI2, UI4, UI8, UInt
  double double_value() const { return value_.d; }                  // R8, Date
  float single_value() const { return value_.f; }                   // R4
  int64_t currency_scaled() const { return value_.i; }              // Cy: value * 10000
  bool bool_value() const { return value_.i != 0; }                 // Bool
  int32_t scode() const { return static_cast<int32_t>(value_.i); }  // Error
  void* object() const { return value_.p; }                         // Dispatch, Unknown
  const WideString& string_value() const { return text_; }          // BStr
  const DecimalValue& decimal_value() const { return decimal_; }
  const std::vector<Variant>& array_elements() const;  // Array kinds; empty otherwise

  // Same kind and same payload (by-reference values compare their targets' addresses).
  bool operator==(const Variant& other) const;

 private:
  static Variant Signed(VarTypeCode type, int64_t v);
  static Variant Unsigned(VarTypeCode type, uint64_t v);

  VarTypeCode type_ = vt::Empty;
  union {
    int64_t i;
    uint64_t u;
    double d;
    float f;
    void* p;
    const Variant* ref;
  } value_{};
  DecimalValue decimal_{};
  WideString text_;
  std::shared_ptr<const std::vector<Variant>> elements_;  // shared: copies of an array are cheap
};

}  // namespace lumetra
