// Splitting a list such as the attachment paths "a|b|c" one token at a time.
// When Separator occurs in Text, Token is what stands before its first
// occurrence, and that part with the separator is removed from Text. When it
// does not occur, Token is the whole Text and Text becomes empty. Tokens are
// not trimmed and may be empty. An empty separator never occurs.
#pragma once

#include "lumetra/automation/values/wide_string.h"

namespace lumetra::mail {

void TakeFirstToken(WideString& text, WideStringView separator, WideString& token);

}  // namespace lumetra::mail
