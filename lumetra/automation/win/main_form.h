// frmMain: the hidden main window of the server. It is never shown; its only
// visible part is the tray icon with the menu entry "Salir". It also answers
// the taskbar's re-creation and Windows' log-off and shutdown.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "lumetra/automation/win/server_lifetime.h"

namespace lumetra::win {

class MainForm {
 public:
  MainForm(HINSTANCE instance, ServerLifetime& lifetime) : instance_(instance), lifetime_(lifetime) {}
  MainForm(const MainForm&) = delete;
  MainForm& operator=(const MainForm&) = delete;
  ~MainForm();

  // Creates the hidden window and adds the tray icon. False when there is no
  // window station to show them on; the server then serves without them.
  bool Create();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  void AddTrayIcon();
  void RemoveTrayIcon();
  void ProcessPendingMessages();
  void ShowPopupMenu();
  void Salir1Click();
  // The exit checks: false when the user chose to keep the server running.
  bool CanTerminate();

  HINSTANCE instance_;
  ServerLifetime& lifetime_;
  HWND window_ = nullptr;
  HICON icon_ = nullptr;
  UINT taskbar_created_ = 0;
  bool icon_added_ = false;
};

}  // namespace lumetra::win
