// How the server shows an error to the user: a task-modal error box captioned
// "Lumetra" (the registration switches and the start of serving use it, and
// so does the message loop for an exception that reaches it).
#pragma once

#include <string>

namespace lumetra::win {

void ShowError(const std::wstring& message) noexcept;

// Writes `message` and a line end, in UTF-8, to the standard error handle when
// the process has one: a script or installer that runs a registration switch
// with its output redirected learns why it failed even where the box has no
// desktop to appear on. Not for a serving process (it holds its client's handles).
void WriteStandardError(const std::wstring& message) noexcept;

// Shows the exception being handled, its message as the error convention
// words it ("Out of memory" for an allocation failure). Call only from inside
// a catch block.
void ShowCurrentException() noexcept;

}  // namespace lumetra::win
