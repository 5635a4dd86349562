#include "lumetra/mail/dot_stuffing.h"

#include <cstring>

namespace lumetra::mail {

void DotStuffingSink::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    if (at_line_start_ && bytes.front() == '.') buffer_.push_back('.');
    const void* newline = std::memchr(bytes.data(), '\n', bytes.size());
    const std::size_t take =
        newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - bytes.data()) + 1 : bytes.size();
    buffer_.append(bytes.substr(0, take));
    at_line_start_ = newline != nullptr;
    // A piece that ends with LF ends the text with CR LF when a CR stands before
    // that LF, in this piece or at the end of the text before it.
    after_crlf_ = newline != nullptr && (take >= 2 ? bytes[take - 2] == '\r' : last_was_cr_);
    last_was_cr_ = bytes[take - 1] == '\r';
    bytes.remove_prefix(take);
    if (buffer_.size() >= kPiece) Flush();
  }
}

void DotStuffingSink::Finish() {
  buffer_.append(after_crlf_ ? ".\r\n" : "\r\n.\r\n");
  at_line_start_ = true;
  after_crlf_ = true;
  last_was_cr_ = false;
  Flush();
}

void DotStuffingSink::Flush() {
  if (buffer_.empty()) return;
  out_.Write(buffer_);
  buffer_.clear();
}

}  // namespace lumetra::mail
