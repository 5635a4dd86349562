// The DATA transfer of a message text (RFC 5321 4.5.2): a "." is added before
// every line that begins with "." (a line begins after every LF); Finish ends
// the last line with CR LF if the text does not already end so (also after a
// bare LF, so that the data always ends with CR LF "." CR LF) and writes the
// terminating line ".". The bytes are passed on to `out` in pieces
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
  bool after_crlf_ = true;    // the text so far is empty or ends with CR LF
  bool last_was_cr_ = false;  // the text so far ends with CR
};

}  // namespace lumetra::mail
