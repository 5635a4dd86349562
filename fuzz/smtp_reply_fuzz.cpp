// SMTP replies and capabilities without a socket: the input is split into
// lines as the connection reads them (at LF, one CR before it dropped) and fed
// to ReplyParser; each complete reply is read as a reply to EHLO. A bad line
// throws lumetra::Error and nothing else.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "lumetra/automation/values/errors.h"
#include "lumetra/mail/smtp_client.h"
#include "lumetra/mail/smtp_reply.h"

using lumetra::fuzz::Check;
using lumetra::fuzz::FuzzInput;
namespace mail = lumetra::mail;

namespace {

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper;
}

void CheckReply(const mail::SmtpReply& reply, size_t lines) {
  Check(reply.code >= 0 && reply.code <= 999, "a code has three digits");
  Check(reply.lines.size() == lines, "a reply keeps each of its lines");
  Check(!reply.Text().empty(), "a reply has a text");
  const std::vector<std::string> capabilities = mail::CapabilitiesOf(reply);
  Check(reply.code == 250 ? capabilities.size() == lines - 1 : capabilities.empty(),
        "the capabilities are the lines after the first of a 250 reply");
  if (mail::OffersLogin(capabilities)) {
    bool named = false;
    for (const auto& line : capabilities) named = named || Upper(line).find("LOGIN") != std::string::npos;
    Check(named, "LOGIN is offered only when a line names it");
  }
  if (mail::HasCapability(capabilities, "STARTTLS")) {
    bool named = false;
    for (const auto& line : capabilities) named = named || Upper(line).find("STARTTLS") != std::string::npos;
    Check(named, "STARTTLS is offered only when a line names it");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  mail::ReplyParser parser;
  size_t lines = 0;
  while (!input.empty()) {
    std::string line(input.Until('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    try {
      ++lines;
      if (const auto reply = parser.AddLine(line)) {
        CheckReply(*reply, lines);
        lines = 0;
      }
    } catch (const lumetra::Error&) {
      parser = mail::ReplyParser();
      lines = 0;
    }
  }
  return 0;
}
