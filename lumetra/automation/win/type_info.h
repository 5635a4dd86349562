// The type information of the executable's own type library (resource
// TYPELIB 1), loaded without registration.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "lumetra/automation/win/com_ptr.h"

namespace lumetra::win {

struct LumetraTypeInfo {
  ComPtr<ITypeInfo> interface_info;  // ILumetraCOM's function table, for ITypeInfo::Invoke
  ComPtr<ITypeInfo> dispatch_info;   // ILumetraCOM as registered under its interface identifier
  ComPtr<ITypeInfo> class_info;      // the class LumetraCOM
};

HRESULT LoadLumetraTypeInfo(LumetraTypeInfo& info);

}  // namespace lumetra::win
