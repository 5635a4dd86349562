// The DATA transfer of a message text (RFC 5321 4.5.2): a "." is added before
// every line that begins with "."; Finish ends the last line if needed and
// writes the terminating line ".". The bytes are passed on to `out` in pieces
// of about kPiece bytes, so a large text is never held whole.
#pragma once

#include <string>

#include "lumetra/mail/byte_sink.h"

namespace lumetra::mail {

class DotStuffingSink : public ByteSink {
 public:
  static constexpr std::size_t kPiece = 64 * 1024;

  explicit DotStuffingSink(ByteSink& out) : out_(out) {}
  void Write(std::string_view bytes) override;
  void Finish();

 private:
  void Flush();

  ByteSink& out_;
  std::string buffer_;
  bool at_line_start_ = true;
};

}  // namespace lumetra::mail
