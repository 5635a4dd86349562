// Letter-case folding of single-byte text.
// AnsiLowerCase folds the letters of the Windows-1252 (Western European) ANSI code page:
// A-Z, the accented capitals 0xC0-0xDE except 0xD7, and 0x8A, 0x8C, 0x8E, 0x9F.
// UpperCaseAscii folds a-z only and leaves every other byte alone.
#pragma once

#include <string>
#include <string_view>

namespace tolvane {

std::string AnsiLowerCase(std::string_view text);

// Equal after AnsiLowerCase of both sides.
bool AnsiSameText(std::string_view a, std::string_view b);

std::string UpperCaseAscii(std::string_view text);

}  // namespace tolvane
