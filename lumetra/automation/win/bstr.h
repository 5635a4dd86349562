// BSTR <-> WideString. Copies go by the BSTR's length, so embedded zero
// characters survive; a null BSTR is the empty string.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "lumetra/automation/values/wide_string.h"

namespace lumetra::win {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "BSTR characters are 16-bit");

WideString FromBstr(BSTR text);

// A new BSTR (caller frees); nullptr only when memory runs out.
BSTR ToBstr(const WideString& text);

// Owns one BSTR.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const WideString& text) : b_(ToBstr(text)) {}
  explicit Bstr(const wchar_t* text) : b_(SysAllocString(text)) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(b_); }

  BSTR get() const { return b_; }
  BSTR* Put() {
    SysFreeString(b_);
    b_ = nullptr;
    return &b_;
  }
  BSTR Detach() {
    BSTR b = b_;
    b_ = nullptr;
    return b;
  }

 private:
  BSTR b_ = nullptr;
};

}  // namespace lumetra::win
