#include "lumetra/automation/values/variant.h"

#include <cstring>

namespace lumetra {

Variant Variant::Null() {
  Variant v;
  v.type_ = vt::Null;
  return v;
}

Variant Variant::Signed(VarTypeCode type, int64_t value) {
  Variant v;
  v.type_ = type;
  v.value_.i = value;
  return v;
}

Variant Variant::Unsigned(VarTypeCode type, uint64_t value) {
  Variant v;
  v.type_ = type;
  v.value_.u = value;
  return v;
}

Variant Variant::R4(float value) {
  Variant v;
  v.type_ = vt::R4;
  v.value_.f = value;
  return v;
}

Variant Variant::R8(double value) {
  Variant v;
  v.type_ = vt::R8;
  v.value_.d = value;
  return v;
}

Variant Variant::Date(double day_number) {
  Variant v;
  v.type_ = vt::Date;
  v.value_.d = day_number;
  return v;
}

Variant Variant::Currency(int64_t scaled) { return Signed(vt::Cy, scaled); }

Variant Variant::Bool(bool value) { return Signed(vt::Bool, value ? -1 : 0); }

Variant Variant::String(WideString text) {
  Variant v;
  v.type_ = vt::BStr;
  v.text_ = std::move(text);
  return v;
}

Variant Variant::ErrorCode(int32_t scode) { return Signed(vt::Error, scode); }

Variant Variant::Decimal(DecimalValue value) {
  Variant v;
  v.type_ = vt::Decimal;
  v.decimal_ = value;
  return v;
}

Variant Variant::Dispatch(void* object) {
  Variant v;
  v.type_ = vt::Dispatch;
  v.value_.p = object;
  return v;
}

Variant Variant::Unknown(void* object) {
  Variant v;
  v.type_ = vt::Unknown;
  v.value_.p = object;
  return v;
}

Variant Variant::ArrayOf(VarTypeCode element_type, std::vector<Variant> elements) {
  Variant v;
  v.type_ = static_cast<VarTypeCode>(vt::Array | (element_type & vt::TypeMask));
  if (!elements.empty()) v.elements_ = std::make_shared<const std::vector<Variant>>(std::move(elements));
  return v;
}

const std::vector<Variant>& Variant::array_elements() const {
  static const std::vector<Variant> kNone;
  return elements_ ? *elements_ : kNone;
}

Variant Variant::ByRef(const Variant& target) {
  const Variant& base = target.deref();
  Variant v;
  v.type_ = static_cast<VarTypeCode>(base.type_ | vt::ByRef);
  v.value_.ref = &base;
  return v;
}

bool Variant::operator==(const Variant& other) const {
  if (type_ != other.type_) return false;
  if (is_byref()) return value_.ref == other.value_.ref;
  if ((type_ & vt::Array) != 0) return array_elements() == other.array_elements();
  switch (type_ & vt::TypeMask) {
    case vt::BStr:
      return text_ == other.text_;
    case vt::Decimal:
      return decimal_ == other.decimal_;
    case vt::R4:
      return value_.f == other.value_.f;
    case vt::R8:
    case vt::Date:
      return value_.d == other.value_.d;
    default:
      return value_.u == other.value_.u;
  }
}

}  // namespace lumetra
