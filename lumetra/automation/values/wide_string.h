// Automation strings inside the server: UTF-16 code units, counted by length,
// embedded zero characters kept. On Windows they are copied to and from BSTR.
#pragma once

#include <string>
#include <string_view>

namespace lumetra {

using WideString = std::u16string;
using WideStringView = std::u16string_view;

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD, as the platform's conversion does.
std::string ToUtf8(WideStringView text);

// UTF-8 to UTF-16; an invalid byte sequence becomes U+FFFD.
WideString FromUtf8(std::string_view text);

}  // namespace lumetra
