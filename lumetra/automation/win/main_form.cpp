#include "lumetra/automation/win/main_form.h"

#include <cwchar>

#include "lumetra/automation/win/error_box.h"

#ifdef LUMETRA_FAULT_INJECTION
#include "lumetra/automation/win/fault_injection.h"
#endif

namespace lumetra::win {
namespace {

constexpr wchar_t kWindowClass[] = L"TFormMain";
constexpr wchar_t kCaption[] = L"Lumetra - Vantorel ";
constexpr wchar_t kApplicationTitle[] = L"Lumetra";
constexpr UINT kTrayMessage = WM_APP + 1;
constexpr UINT kTrayIconId = 1;
constexpr UINT kSalirCommand = 100;

constexpr wchar_t kConfirmCaption[] = L"Confirm";
constexpr wchar_t kConfirmText[] = L"\u00BFEst\u00E1 seguro que desea cerrar?";
constexpr wchar_t kWarningCaption[] = L"COM Server Warning";
constexpr wchar_t kWarningText[] =
    L"There are still active COM objects in this application.  One or more clients may have references to these "
    L"objects, so manually closing this application may cause those client application(s) to fail.\r\n\r\n"
    L"Are you sure you want to close this application?";

}  // namespace

MainForm::~MainForm() {
  RemoveTrayIcon();
  if (window_) DestroyWindow(window_);
}

bool MainForm::Create() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance_;
  wc.lpszClassName = kWindowClass;
  icon_ = LoadIconW(instance_, L"MAINICON");
  wc.hIcon = icon_;
  RegisterClassExW(&wc);
  // Single border, system menu and minimise button, as designed; the window is never shown.
  window_ = CreateWindowExW(0, kWindowClass, kCaption, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                            CW_USEDEFAULT, 313, 155, nullptr, nullptr, instance_, this);
  if (window_ == nullptr) return false;
  taskbar_created_ = RegisterWindowMessageW(L"TaskbarCreated");
  AddTrayIcon();
  return true;
}

// No C++ exception crosses back into the system that called the window
// procedure: it is shown as the server's errors are, and the message counts as
// handled.
LRESULT CALLBACK MainForm::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    static_cast<MainForm*>(create->lpCreateParams)->window_ = window;
  }
  auto* form = reinterpret_cast<MainForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  try {
    return form->HandleMessage(message, wparam, lparam);
  } catch (...) {
    ShowCurrentException();
    return 0;
  }
}

LRESULT MainForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (taskbar_created_ != 0 && message == taskbar_created_) {
    icon_added_ = false;
    AddTrayIcon();
    return 0;
  }
  switch (message) {
    case kTrayMessage:
      if (LOWORD(lparam) == WM_RBUTTONUP) ShowPopupMenu();
      return 0;
    case WM_COMMAND:
      if (LOWORD(wparam) == kSalirCommand) Salir1Click();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (wparam) {
        CanTerminate();
        RemoveTrayIcon();
        ExitProcess(0);
      }
      return 0;
    case WM_CLOSE:
      return 0;  // only "Salir" ends the server
    default:
      return DefWindowProcW(window_, message, wparam, lparam);
  }
}

void MainForm::AddTrayIcon() {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = window_;
  data.uID = kTrayIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayMessage;
  data.hIcon = icon_;
  wcsncpy(data.szTip, kApplicationTitle, 127);
  // Without a notification area (no shell, no display) there is no icon; the server serves all the same.
  icon_added_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

// Handles what is already queued, so the menu opens on a window that has caught
// up with the foreground change. A quit request is left for the main loop.
void MainForm::ProcessPendingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void MainForm::RemoveTrayIcon() {
  if (!icon_added_) return;
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = window_;
  data.uID = kTrayIconId;
  Shell_NotifyIconW(NIM_DELETE, &data);
  icon_added_ = false;
}

void MainForm::ShowPopupMenu() {
#ifdef LUMETRA_FAULT_INJECTION
  FailMenuIfTriggered();
#endif
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return;
  AppendMenuW(menu, MF_STRING, kSalirCommand, L"Salir");
  POINT cursor{};
  GetCursorPos(&cursor);
  SetForegroundWindow(window_);
  ProcessPendingMessages();
  TrackPopupMenu(menu, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window_, nullptr);
  // Lets the menu close when the user clicks elsewhere next time.
  PostMessageW(window_, WM_NULL, 0, 0);
  DestroyMenu(menu);
}

void MainForm::Salir1Click() {
  const int answer = MessageBoxW(window_, kConfirmText, kConfirmCaption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1);
  if (answer == IDNO) return;
  if (CanTerminate()) lifetime_.RequestQuit();
}

bool MainForm::CanTerminate() {
  if (lifetime_.object_count() <= 0) return true;
  const int answer =
      MessageBoxW(nullptr, kWarningText, kWarningCaption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2 | MB_TASKMODAL);
  return answer == IDYES;
}

}  // namespace lumetra::win
