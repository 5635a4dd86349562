#include "lumetra/mail/smtp_reply.h"

#include "lumetra/automation/values/errors.h"

namespace lumetra::mail {

std::string SmtpReply::Text() const {
  std::string text;
  for (const auto& line : lines) {
    if (!text.empty()) text.append("\r\n");
    text.append(line);
  }
  return text.empty() ? std::to_string(code) : text;
}

std::optional<SmtpReply> ReplyParser::AddLine(std::string_view line) {
  const auto digit = [&](std::size_t i) { return i < line.size() && line[i] >= '0' && line[i] <= '9'; };
  if (!digit(0) || !digit(1) || !digit(2) || (line.size() > 3 && line[3] != ' ' && line[3] != '-'))
    throw Error("The server sent an invalid reply: " + std::string(line.substr(0, 200)));
  reply_.code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
  reply_.lines.emplace_back(line.size() > 4 ? line.substr(4) : std::string_view());
  if (line.size() > 3 && line[3] == '-') return std::nullopt;
  SmtpReply done = std::move(reply_);
  reply_ = SmtpReply();
  return done;
}

}  // namespace lumetra::mail
