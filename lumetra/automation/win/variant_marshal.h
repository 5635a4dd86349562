// VARIANT <-> Variant. Inbound values are read, never changed; a by-reference
// VARIANT becomes a by-reference Variant whose target is kept alongside, and
// VT_VARIANT | VT_BYREF is read through to the VARIANT it points at.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "lumetra/automation/values/variant.h"

namespace lumetra::win {

// An argument as the portable object sees it. Neither copyable nor movable:
// a by-reference value points into the object itself.
class VariantArg {
 public:
  explicit VariantArg(const VARIANT* v);
  VariantArg(const VariantArg&) = delete;
  VariantArg& operator=(const VariantArg&) = delete;

  const Variant& get() const { return value_; }

 private:
  Variant target_;
  Variant value_;
};

// The value of a non-reference VARIANT; a by-reference kind yields its target's value.
Variant FromVariant(const VARIANT& v);

// Writes a result into a cleared VARIANT. Fails only when memory runs out.
HRESULT ToVariant(const Variant& value, VARIANT* out);

DECIMAL ToDecimal(const DecimalValue& value);
DecimalValue FromDecimal(const DECIMAL& value);

}  // namespace lumetra::win
