// Modal message dialogs with one button, "Aceptar".
#pragma once

#include <string>

namespace tolvane::win {

enum class DialogIcon { Error, Information };

void ShowMessageDialog(DialogIcon icon, const std::wstring& title, const std::wstring& text);

}  // namespace tolvane::win
