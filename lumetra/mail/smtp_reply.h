// SMTP replies (RFC 5321 4.2): one or more lines "ddd-text", the last one
// "ddd text" (or just "ddd"). ReplyParser takes the lines one at a time.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lumetra::mail {

struct SmtpReply {
  int code = 0;
  std::vector<std::string> lines;  // the text of each line, without code and separator

  // The reply's text lines joined by CR LF: the message of a refused step.
  std::string Text() const;
};

class ReplyParser {
 public:
  // Takes one line without its line end. Returns the reply when this line
  // completes it. Throws lumetra::Error for a line that is not a reply line.
  std::optional<SmtpReply> AddLine(std::string_view line);

 private:
  SmtpReply reply_;
};

}  // namespace lumetra::mail
