#include "lumetra/automation/win/windows_conversions.h"

#include <windows.h>
#include <oleauto.h>

#include "lumetra/automation/values/errors.h"
#include "lumetra/automation/values/kind_names.h"
#include "lumetra/automation/win/bstr.h"
#include "lumetra/automation/win/variant_marshal.h"

namespace lumetra::win {
namespace {

// The platform's string functions want a zero-terminated string.
Bstr Terminated(WideStringView text) { return Bstr(WideString(text)); }

// Throws the overflow error the portable conversions expect; nullopt for every other failure.
template <typename T>
std::optional<T> Checked(HRESULT hr, T value, VarTypeCode target) {
  if (SUCCEEDED(hr)) return value;
  if (hr == DISP_E_OVERFLOW) {
    ThrowOverflowError(vt::BStr, target);
  }
  return std::nullopt;
}

// A borrowed VARIANT view of a Variant for VariantChangeTypeEx (objects are
// not referenced again; strings are copied and freed by the holder).
class VariantView {
 public:
  explicit VariantView(const Variant& value) {
    VariantInit(&v_);
    const Variant& plain = value.deref();
    switch (plain.type()) {
      case vt::Dispatch:
        V_VT(&v_) = VT_DISPATCH;
        V_DISPATCH(&v_) = static_cast<IDispatch*>(plain.object());
        break;
      case vt::Unknown:
        V_VT(&v_) = VT_UNKNOWN;
        V_UNKNOWN(&v_) = static_cast<IUnknown*>(plain.object());
        break;
      default:
        ToVariant(plain, &v_);
        owned_ = true;
        break;
    }
  }
  VariantView(const VariantView&) = delete;
  VariantView& operator=(const VariantView&) = delete;
  ~VariantView() {
    if (owned_) VariantClear(&v_);
  }
  const VARIANT* get() const { return &v_; }

 private:
  VARIANT v_;
  bool owned_ = false;
};

}  // namespace

std::optional<int32_t> WindowsConversions::I4FromStr(WideStringView text) const {
  Bstr s = Terminated(text);
  LONG value = 0;
  // A text beyond the 32-bit range ("1e10") is not an overflow yet: the double step follows.
  if (FAILED(VarI4FromStr(s.get(), LOCALE_USER_DEFAULT, 0, &value))) return std::nullopt;
  return value;
}

std::optional<double> WindowsConversions::R8FromStr(WideStringView text) const {
  Bstr s = Terminated(text);
  double value = 0;
  // The call comes first: an argument list does not order the call before the copy of `value`.
  const HRESULT hr = VarR8FromStr(s.get(), LOCALE_USER_DEFAULT, 0, &value);
  return Checked<double>(hr, value, vt::R8);
}

std::optional<bool> WindowsConversions::BoolFromStr(WideStringView text) const {
  Bstr s = Terminated(text);
  VARIANT_BOOL value = VARIANT_FALSE;
  const HRESULT hr = VarBoolFromStr(s.get(), LOCALE_USER_DEFAULT, 0, &value);
  return Checked<bool>(hr, value != VARIANT_FALSE, vt::Bool);
}

WideString WindowsConversions::BstrFromCy(int64_t scaled_by_10000) const {
  CY cy;
  cy.int64 = scaled_by_10000;
  Bstr text;
  if (FAILED(VarBstrFromCy(cy, LOCALE_USER_DEFAULT, 0, text.Put())))
    return PlatformConversions::BstrFromCy(scaled_by_10000);
  return FromBstr(text.get());
}

WideString WindowsConversions::BstrFromDate(double day_number) const {
  Bstr text;
  if (FAILED(VarBstrFromDate(day_number, LOCALE_USER_DEFAULT, 0, text.Put()))) {
    return PlatformConversions::BstrFromDate(day_number);
  }
  return FromBstr(text.get());
}

std::optional<Variant> WindowsConversions::ChangeType(const Variant& value, VarTypeCode target) const {
  if (value.deref().type() & vt::Array) return std::nullopt;  // the array itself is not at hand here
  VariantView source(value);
  VARIANT result;
  VariantInit(&result);
  HRESULT hr = VariantChangeTypeEx(&result, const_cast<VARIANT*>(source.get()), LOCALE_USER_DEFAULT, 0, target);
  if (hr == DISP_E_OVERFLOW) {
    ThrowOverflowError(value.type(), target);
  }
  if (FAILED(hr)) return std::nullopt;
  Variant converted = FromVariant(result);
  VariantClear(&result);
  return converted;
}

void InstallWindowsConversions() {
  static const WindowsConversions conversions;
  SetPlatformConversions(&conversions);
  wchar_t separator[4] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 4) > 1) {
    SetDecimalSeparator(static_cast<char16_t>(separator[0]));
  }
}

}  // namespace lumetra::win
