// How the server shows an error to the user: a task-modal error box captioned
// "Lumetra" (the registration switches and the start of serving use it, and
// so does the message loop for an exception that reaches it).
#pragma once

#include <string>

namespace lumetra::win {

void ShowError(const std::wstring& message) noexcept;

// Shows the exception being handled, its message as the error convention
// words it ("Out of memory" for an allocation failure). Call only from inside
// a catch block.
void ShowCurrentException() noexcept;

}  // namespace lumetra::win
