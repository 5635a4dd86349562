// Where a message text is written to, piece by piece, and a message text that
// can write itself. Writing lets attachments be streamed from their files
// into the connection instead of being held in memory.
#pragma once

#include <string>
#include <string_view>

namespace lumetra::mail {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void Write(std::string_view bytes) = 0;
};

class MessageText {
 public:
  virtual ~MessageText() = default;
  // Writes the whole text (CR LF line ends); may throw lumetra::Error.
  virtual void WriteTo(ByteSink& sink) const = 0;
};

// A message text held in memory.
class TextInMemory : public MessageText {
 public:
  explicit TextInMemory(std::string text) : text_(std::move(text)) {}
  void WriteTo(ByteSink& sink) const override { sink.Write(text_); }

 private:
  std::string text_;
};

// Collects everything written, for tests and small texts.
class StringSink : public ByteSink {
 public:
  void Write(std::string_view bytes) override { text.append(bytes); }
  std::string text;
};

}  // namespace lumetra::mail
