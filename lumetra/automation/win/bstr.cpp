#include "lumetra/automation/win/bstr.h"

#ifdef LUMETRA_FAULT_INJECTION
#include "lumetra/automation/win/fault_injection.h"
#endif

namespace lumetra::win {

WideString FromBstr(BSTR text) {
  if (text == nullptr) return {};
#ifdef LUMETRA_FAULT_INJECTION
  FailCopyIfTriggered(text);
#endif
  return WideString(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
}

BSTR ToBstr(const WideString& text) {
  return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
}

}  // namespace lumetra::win
