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
    bytes.remove_prefix(take);
    if (buffer_.size() >= kPiece) Flush();
  }
}

void DotStuffingSink::Finish() {
  buffer_.append(at_line_start_ ? ".\r\n" : "\r\n.\r\n");
  at_line_start_ = true;
  Flush();
}

void DotStuffingSink::Flush() {
  if (buffer_.empty()) return;
  out_.Write(buffer_);
  buffer_.clear();
}

}  // namespace lumetra::mail
