// Texts for message header lines. Nothing produced here contains a CR or LF
// except as folding ("CR LF space"), so no input can start a header line of
// its own.
// - IsPlainHeaderText: only printable ASCII (space to "~").
// - EncodeWords: RFC 2047 encoded words ("=?UTF-8?B?...?="), each at most 75
//   characters, split between characters, joined by `joiner`.
// - HeaderPhrase: a display name or subject written as given when plain,
//   else as encoded words folded onto continuation lines.
// - QuotedDisplayName: a plain name in double quotes with \ and " escaped;
//   other names as encoded words.
// - SafeAddress: the address as UTF-8 with control characters removed.
// - FormatMailbox: a bare address, or "name" <address> when there is a name.
// - FormatParameterValue: a MIME parameter value (file names) in quotes,
//   encoded words inside when not plain.
#pragma once

#include <string>

#include "lumetra/automation/values/wide_string.h"
#include "lumetra/mail/address_list.h"

namespace lumetra::mail {

bool IsPlainHeaderText(WideStringView text);
std::string EncodeWords(WideStringView text, std::string_view joiner);
std::string HeaderPhrase(WideStringView text);
std::string QuotedDisplayName(WideStringView name);
std::string SafeAddress(WideStringView address);
std::string FormatMailbox(const Mailbox& mailbox);
std::string FormatParameterValue(WideStringView value);

}  // namespace lumetra::mail
