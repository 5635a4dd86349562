// Text conversions and the system's error texts.
// Single-byte strings are in the system's ANSI code page (as the ini file and the paths are);
// texts shown to users are UTF-16.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tolvane::win {

std::wstring AnsiToWide(std::string_view text);

// The system's text for an error code, without trailing line breaks, spaces and dots;
// empty when the system has none.
std::string SystemErrorTextAnsi(DWORD code);
std::wstring SystemErrorText(DWORD code);

// "Error de sistema. Código: <code>." followed by a line break and the system's text.
std::wstring OSErrorMessage(DWORD code);

}  // namespace tolvane::win
