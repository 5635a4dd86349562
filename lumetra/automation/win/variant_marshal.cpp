#include "lumetra/automation/win/variant_marshal.h"

#include <vector>

#include "lumetra/automation/win/bstr.h"

namespace lumetra::win {
namespace {

// The base-kind value of a by-reference VARIANT as a plain VARIANT (shallow:
// a string or object is borrowed, not copied).
VARIANT Dereference(const VARIANT& v) {
  VARIANT plain;
  VariantInit(&plain);
  const VARTYPE base = V_VT(&v) & ~VT_BYREF;
  if (base & VT_ARRAY) {
    V_VT(&plain) = base;
    V_ARRAY(&plain) = *V_ARRAYREF(&v);
    return plain;
  }
  switch (base) {
    case VT_I1:
      V_I1(&plain) = *V_I1REF(&v);
      break;
    case VT_I2:
      V_I2(&plain) = *V_I2REF(&v);
      break;
    case VT_I4:
      V_I4(&plain) = *V_I4REF(&v);
      break;
    case VT_I8:
      V_I8(&plain) = *V_I8REF(&v);
      break;
    case VT_INT:
      V_INT(&plain) = *V_INTREF(&v);
      break;
    case VT_UI1:
      V_UI1(&plain) = *V_UI1REF(&v);
      break;
    case VT_UI2:
      V_UI2(&plain) = *V_UI2REF(&v);
      break;
    case VT_UI4:
      V_UI4(&plain) = *V_UI4REF(&v);
      break;
    case VT_UI8:
      V_UI8(&plain) = *V_UI8REF(&v);
      break;
    case VT_UINT:
      V_UINT(&plain) = *V_UINTREF(&v);
      break;
    case VT_R4:
      V_R4(&plain) = *V_R4REF(&v);
      break;
    case VT_R8:
      V_R8(&plain) = *V_R8REF(&v);
      break;
    case VT_CY:
      V_CY(&plain) = *V_CYREF(&v);
      break;
    case VT_DATE:
      V_DATE(&plain) = *V_DATEREF(&v);
      break;
    case VT_BSTR:
      V_BSTR(&plain) = *V_BSTRREF(&v);
      break;
    case VT_DISPATCH:
      V_DISPATCH(&plain) = *V_DISPATCHREF(&v);
      break;
    case VT_UNKNOWN:
      V_UNKNOWN(&plain) = *V_UNKNOWNREF(&v);
      break;
    case VT_ERROR:
      V_ERROR(&plain) = *V_ERRORREF(&v);
      break;
    case VT_BOOL:
      V_BOOL(&plain) = *V_BOOLREF(&v);
      break;
    case VT_DECIMAL:
      V_DECIMAL(&plain) = *V_DECIMALREF(&v);
      break;  // overwrites vt: set below
    default:
      break;
  }
  V_VT(&plain) = base;
  return plain;
}

bool IsNullReference(const VARIANT& v) {
  // Every by-reference member shares one pointer slot.
  return (V_VT(&v) & VT_BYREF) && V_BYREF(&v) == nullptr;
}

}  // namespace

DECIMAL ToDecimal(const DecimalValue& value) {
  DECIMAL d{};
  d.scale = value.scale;
  d.sign = value.negative ? DECIMAL_NEG : 0;
  d.Hi32 = value.hi32;
  d.Lo64 = value.lo64;
  return d;
}

DecimalValue FromDecimal(const DECIMAL& d) {
  DecimalValue value;
  value.scale = d.scale;
  value.negative = (d.sign & DECIMAL_NEG) != 0;
  value.hi32 = d.Hi32;
  value.lo64 = d.Lo64;
  return value;
}

namespace {

// The kinds whose array elements fit the data field of a VARIANT.
bool IsPlainElementType(VARTYPE type) {
  switch (type) {
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_INT:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_ERROR:
    case VT_BOOL:
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return true;
    default:
      return false;
  }
}

// The elements of a one-dimensional array in index order; other arrays give none.
std::vector<Variant> ArrayElements(SAFEARRAY* array, VARTYPE element_type) {
  std::vector<Variant> elements;
  LONG lower = 0;
  LONG upper = -1;
  if (array == nullptr || SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
      FAILED(SafeArrayGetUBound(array, 1, &upper))) {
    return elements;
  }
  if (element_type != VT_VARIANT && element_type != VT_DECIMAL && !IsPlainElementType(element_type)) return elements;
  for (LONG i = lower; i <= upper; ++i) {
    VARIANT element;
    VariantInit(&element);
    HRESULT hr;
    if (element_type == VT_VARIANT) {
      hr = SafeArrayGetElement(array, &i, &element);
    } else if (element_type == VT_DECIMAL) {
      hr = SafeArrayGetElement(array, &i, &V_DECIMAL(&element));  // a DECIMAL fills the whole VARIANT
      V_VT(&element) = VT_DECIMAL;
    } else {
      hr = SafeArrayGetElement(array, &i, &V_UI1(&element));  // the data field of the VARIANT
      V_VT(&element) = element_type;
    }
    Variant value = SUCCEEDED(hr) ? FromVariant(element) : Variant();
    // The element's copy is released below, so an object must not be kept by pointer.
    if (value.type() == vt::Dispatch || value.type() == vt::Unknown) value = Variant::Unknown(nullptr);
    elements.push_back(std::move(value));
    VariantClear(&element);
  }
  return elements;
}

}  // namespace

Variant FromVariant(const VARIANT& in) {
  if (V_VT(&in) == (VT_VARIANT | VT_BYREF)) {
    return V_VARIANTREF(&in) ? FromVariant(*V_VARIANTREF(&in)) : Variant();
  }
  if (IsNullReference(in)) return Variant();
  const VARIANT v = (V_VT(&in) & VT_BYREF) ? Dereference(in) : in;
  const VARTYPE type = V_VT(&v);
  if (type & VT_ARRAY) return Variant::ArrayOf(type & VT_TYPEMASK, ArrayElements(V_ARRAY(&v), type & VT_TYPEMASK));
  switch (type) {
    case VT_EMPTY:
      return Variant();
    case VT_NULL:
      return Variant::Null();
    case VT_I1:
      return Variant::I1(V_I1(&v));
    case VT_I2:
      return Variant::I2(V_I2(&v));
    case VT_I4:
      return Variant::I4(V_I4(&v));
    case VT_I8:
      return Variant::I8(V_I8(&v));
    case VT_INT:
      return Variant::Int(V_INT(&v));
    case VT_UI1:
      return Variant::UI1(V_UI1(&v));
    case VT_UI2:
      return Variant::UI2(V_UI2(&v));
    case VT_UI4:
      return Variant::UI4(V_UI4(&v));
    case VT_UI8:
      return Variant::UI8(V_UI8(&v));
    case VT_UINT:
      return Variant::UInt(V_UINT(&v));
    case VT_R4:
      return Variant::R4(V_R4(&v));
    case VT_R8:
      return Variant::R8(V_R8(&v));
    case VT_CY:
      return Variant::Currency(V_CY(&v).int64);
    case VT_DATE:
      return Variant::Date(V_DATE(&v));
    case VT_BSTR:
      return Variant::String(FromBstr(V_BSTR(&v)));
    case VT_DISPATCH:
      return Variant::Dispatch(V_DISPATCH(&v));
    case VT_UNKNOWN:
      return Variant::Unknown(V_UNKNOWN(&v));
    case VT_ERROR:
      return Variant::ErrorCode(V_ERROR(&v));
    case VT_BOOL:
      return Variant::Bool(V_BOOL(&v) != VARIANT_FALSE);
    case VT_DECIMAL:
      return Variant::Decimal(FromDecimal(V_DECIMAL(&v)));
    default:
      return Variant::ArrayOf(type);  // a kind the object has no value for: only its code matters
  }
}

VariantArg::VariantArg(const VARIANT* v) {
  if (v == nullptr) return;  // a missing argument reads as empty
  const VARIANT* in = v;
  while (V_VT(in) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(in) != nullptr) in = V_VARIANTREF(in);
  if ((V_VT(in) & VT_BYREF) && !IsNullReference(*in) && V_VT(in) != (VT_VARIANT | VT_BYREF)) {
    target_ = FromVariant(*in);
    value_ = Variant::ByRef(target_);
  } else {
    value_ = FromVariant(*in);
  }
}

HRESULT ToVariant(const Variant& value, VARIANT* out) {
  VariantInit(out);
  const Variant& v = value.deref();
  switch (v.type()) {
    case vt::Empty:
      break;
    case vt::Null:
      V_VT(out) = VT_NULL;
      break;
    case vt::I1:
      V_VT(out) = VT_I1;
      V_I1(out) = static_cast<CHAR>(v.signed_value());
      break;
    case vt::I2:
      V_VT(out) = VT_I2;
      V_I2(out) = static_cast<SHORT>(v.signed_value());
      break;
    case vt::I4:
      V_VT(out) = VT_I4;
      V_I4(out) = static_cast<LONG>(v.signed_value());
      break;
    case vt::I8:
      V_VT(out) = VT_I8;
      V_I8(out) = v.signed_value();
      break;
    case vt::Int:
      V_VT(out) = VT_INT;
      V_INT(out) = static_cast<INT>(v.signed_value());
      break;
    case vt::UI1:
      V_VT(out) = VT_UI1;
      V_UI1(out) = static_cast<BYTE>(v.unsigned_value());
      break;
    case vt::UI2:
      V_VT(out) = VT_UI2;
      V_UI2(out) = static_cast<USHORT>(v.unsigned_value());
      break;
    case vt::UI4:
      V_VT(out) = VT_UI4;
      V_UI4(out) = static_cast<ULONG>(v.unsigned_value());
      break;
    case vt::UI8:
      V_VT(out) = VT_UI8;
      V_UI8(out) = v.unsigned_value();
      break;
    case vt::UInt:
      V_VT(out) = VT_UINT;
      V_UINT(out) = static_cast<UINT>(v.unsigned_value());
      break;
    case vt::R4:
      V_VT(out) = VT_R4;
      V_R4(out) = v.single_value();
      break;
    case vt::R8:
      V_VT(out) = VT_R8;
      V_R8(out) = v.double_value();
      break;
    case vt::Date:
      V_VT(out) = VT_DATE;
      V_DATE(out) = v.double_value();
      break;
    case vt::Cy:
      V_VT(out) = VT_CY;
      V_CY(out).int64 = v.currency_scaled();
      break;
    case vt::Bool:
      V_VT(out) = VT_BOOL;
      V_BOOL(out) = v.bool_value() ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case vt::Error:
      V_VT(out) = VT_ERROR;
      V_ERROR(out) = v.scode();
      break;
    case vt::Decimal:
      V_DECIMAL(out) = ToDecimal(v.decimal_value());
      V_VT(out) = VT_DECIMAL;
      break;
    case vt::BStr: {
      BSTR text = ToBstr(v.string_value());
      if (text == nullptr) return E_OUTOFMEMORY;
      V_VT(out) = VT_BSTR;
      V_BSTR(out) = text;
      break;
    }
    case vt::Dispatch:
    case vt::Unknown: {
      auto* object = static_cast<IUnknown*>(v.object());
      if (object) object->AddRef();
      V_VT(out) = v.type() == vt::Dispatch ? VT_DISPATCH : VT_UNKNOWN;
      V_UNKNOWN(out) = object;
      break;
    }
    default:
      break;  // no other kind is ever a result
  }
  return S_OK;
}

}  // namespace lumetra::win
