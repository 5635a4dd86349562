// A streaming reader of JSON tokens for DSToJSON, more lenient than the JSON
// store's reader: strings in single or double quotes, property names without
// quotes (letters, digits, "_" and "$"), the literals NaN, Infinity and
// -Infinity (as Float), undefined (also an empty element of an array: a
// comma where a value is due), and comments (/* block */ and // line), each
// delivered as a Comment token wherever it stands. A number without fraction
// or exponent is an Integer (32-bit when it fits, else 64-bit); any other
// number, also an integer beyond 64 bits, is a Float read with "." whatever
// the regional settings. Tokens come one at a time; the structure is checked
// as far as it is read, and a syntax error throws lumetra::Error naming the
// position. Next returns false at the end of the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lumetra/automation/values/wide_string.h"

namespace lumetra::dataset {

enum class TokenKind {
  StartObject,
  EndObject,
  StartArray,
  EndArray,
  PropertyName,
  String,
  Integer,
  Float,
  Boolean,
  Null,
  Undefined,
  Comment,
};

struct Token {
  TokenKind kind = TokenKind::Null;
  WideString text;       // PropertyName, String, Comment
  int64_t integer = 0;   // Integer
  bool is64 = false;     // Integer: does not fit 32 bits
  double number = 0;     // Float
  bool boolean = false;  // Boolean
};

class JsonTokenReader {
 public:
  explicit JsonTokenReader(WideStringView text) : text_(text) {}

  // Reads the next token into `token`; false when the text has no more tokens.
  bool Next(Token& token);

 private:
  enum class Expect { Value, NameOrEnd, Name, Colon, CommaOrEnd, ValueOrEnd, Nothing };
  enum class Container { Object, Array };

  void SkipBlanks();
  bool Comment(Token& token);
  void Value(Token& token);
  void AfterValue();
  void String(char16_t quote, WideString& out);
  void UnquotedName(WideString& out);
  void Number(Token& token);
  void Word(Token& token);
  [[noreturn]] void Fail(const char* what) const;

  WideStringView text_;
  size_t pos_ = 0;
  Expect expect_ = Expect::Value;
  std::vector<Container> stack_;
  bool started_ = false;
};

}  // namespace lumetra::dataset
