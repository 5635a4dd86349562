// RFC 5322 address lists as written by users (the To, Cc and Bcc texts).
// A comma or a semicolon ends an entry, except inside a double-quoted string
// (backslash escapes a character), a parenthesised comment (nested, also with
// escapes) or angle brackets. An entry is a bare address, or a display name
// followed by the address in angle brackets; quotes around the name are
// removed and comments are dropped. A group name ending in ":" is dropped.
// Entries whose address is empty ("", blanks, "<>") are dropped. Names and
// addresses are trimmed; the order of the text is kept. Never fails.
#pragma once

#include <vector>

#include "lumetra/automation/values/wide_string.h"

namespace lumetra::mail {

struct Mailbox {
  WideString name;     // empty when the entry has no display name
  WideString address;  // never empty
  bool operator==(const Mailbox&) const = default;
};

std::vector<Mailbox> ParseAddressList(WideStringView text);

}  // namespace lumetra::mail
