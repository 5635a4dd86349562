// The system's message box, with its OK button captioned "Aceptar" whatever the system's language:
// a hook on this thread renames the button when the box is about to be activated.
#include "tolvane/win/message_dialog.h"

#include <windows.h>

#include "tolvane/win/handles.h"

namespace tolvane::win {
namespace {

LRESULT CALLBACK CaptionOkButton(int code, WPARAM w_param, LPARAM l_param) {
  if (code == HCBT_ACTIVATE) {
    const HWND window = reinterpret_cast<HWND>(w_param);
    wchar_t class_name[16];
    if (GetClassNameW(window, class_name, 16) > 0 && lstrcmpW(class_name, L"#32770") == 0) {
      SetDlgItemTextW(window, IDOK, L"Aceptar");
    }
  }
  return CallNextHookEx(nullptr, code, w_param, l_param);
}

}  // namespace

void ShowMessageDialog(DialogIcon icon, const std::wstring& title, const std::wstring& text) {
  const UINT style =
      MB_OK | MB_TASKMODAL | MB_SETFOREGROUND | (icon == DialogIcon::Error ? MB_ICONERROR : MB_ICONINFORMATION);
  const HookHandle hook(SetWindowsHookExW(WH_CBT, CaptionOkButton, nullptr, GetCurrentThreadId()));
  MessageBoxW(nullptr, text.c_str(), title.c_str(), style);
}

}  // namespace tolvane::win
