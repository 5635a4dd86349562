// A fault-injection seam for the test build of the server only
// (lumetra_fault_server, compiled with LUMETRA_FAULT_INJECTION). Lumetra.exe
// is built without the definition, so none of this exists in it: include and
// call this header only inside #ifdef LUMETRA_FAULT_INJECTION.
//
// The trigger is an argument value, because a server that COM starts does not
// see its client's environment: a string argument equal to kFailCopyText makes
// its copy into the portable object's types throw std::bad_alloc, as an
// allocation failure would. The window procedure, which takes no arguments
// from clients, has a file as its trigger.
#pragma once

#ifndef LUMETRA_FAULT_INJECTION
#error "fault_injection.h belongs to the test build of the server only"
#endif

#include <windows.h>
#include <oleauto.h>

#include <cwchar>
#include <new>

namespace lumetra::win {

// U+0001 followed by "lumetra-fail-copy"; no script passes it by chance.
inline constexpr wchar_t kFailCopyText[] = L"\x0001lumetra-fail-copy";

// Throws std::bad_alloc when text is the trigger.
inline void FailCopyIfTriggered(BSTR text) {
  constexpr UINT length = sizeof(kFailCopyText) / sizeof(wchar_t) - 1;
  if (text != nullptr && SysStringLen(text) == length && std::wmemcmp(text, kFailCopyText, length) == 0) {
    throw std::bad_alloc();
  }
}

// The tray menu's trigger: while this file exists, opening the menu throws
// std::bad_alloc inside the window procedure.
inline constexpr wchar_t kFailMenuFile[] = L"C:\\lumetra-fail-menu";

inline void FailMenuIfTriggered() {
  if (GetFileAttributesW(kFailMenuFile) != INVALID_FILE_ATTRIBUTES) throw std::bad_alloc();
}

}  // namespace lumetra::win
