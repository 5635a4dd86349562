#include "lumetra/dataset/json_tokens.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "lumetra/automation/values/errors.h"
#include "lumetra/automation/values/text_blanks.h"

namespace lumetra::dataset {
namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsNameChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || IsDigit(c) || c == u'_' || c == u'$' || c >= 0x80;
}

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

void JsonTokenReader::Fail(const char* what) const {
  throw Error(std::string("JSON syntax error at position ") + std::to_string(pos_ + 1) + ": " + what);
}

void JsonTokenReader::SkipBlanks() {
  while (pos_ < text_.size() && IsJsonTokenBlank(text_[pos_])) ++pos_;
}

bool JsonTokenReader::Comment(Token& token) {
  if (text_[pos_] != u'/') return false;
  if (pos_ + 1 >= text_.size()) Fail("unexpected '/'");
  token = Token{};
  token.kind = TokenKind::Comment;
  if (text_[pos_ + 1] == u'*') {
    const size_t end = text_.find(u"*/", pos_ + 2);
    if (end == WideStringView::npos) Fail("unterminated comment");
    token.text = WideString(text_.substr(pos_ + 2, end - pos_ - 2));
    pos_ = end + 2;
    return true;
  }
  if (text_[pos_ + 1] == u'/') {
    size_t end = pos_ + 2;
    while (end < text_.size() && text_[end] != u'\n' && text_[end] != u'\r') ++end;
    token.text = WideString(text_.substr(pos_ + 2, end - pos_ - 2));
    pos_ = end;
    return true;
  }
  Fail("unexpected '/'");
}

bool JsonTokenReader::Next(Token& token) {
  SkipBlanks();
  if (pos_ == text_.size()) {
    if (!stack_.empty() || expect_ == Expect::Colon) Fail("unexpected end of text");
    return false;
  }
  if (Comment(token)) return true;
  const char16_t c = text_[pos_];
  const bool in_array = !stack_.empty() && stack_.back() == Container::Array;
  switch (expect_) {
    case Expect::ValueOrEnd:
      if (c == u']') {
        ++pos_;
        stack_.pop_back();
        token = Token{};
        token.kind = TokenKind::EndArray;
        AfterValue();
        return true;
      }
      [[fallthrough]];
    case Expect::Value:
      if (in_array && c == u',') {
        ++pos_;
        token = Token{};
        token.kind = TokenKind::Undefined;
        expect_ = Expect::Value;
        return true;
      }
      Value(token);
      return true;
    case Expect::NameOrEnd:
      if (c == u'}') {
        ++pos_;
        stack_.pop_back();
        token = Token{};
        token.kind = TokenKind::EndObject;
        AfterValue();
        return true;
      }
      [[fallthrough]];
    case Expect::Name:
      token = Token{};
      token.kind = TokenKind::PropertyName;
      if (c == u'"' || c == u'\'') {
        ++pos_;
        String(c, token.text);
      } else if (IsNameChar(c)) {
        UnquotedName(token.text);
      } else {
        Fail("property name expected");
      }
      expect_ = Expect::Colon;
      return true;
    case Expect::Colon:
      if (c != u':') Fail("':' expected");
      ++pos_;
      expect_ = Expect::Value;
      return Next(token);
    case Expect::CommaOrEnd:
      if (c == u',') {
        ++pos_;
        expect_ = in_array ? Expect::Value : Expect::Name;
        return Next(token);
      }
      if ((c == u'}' && !in_array) || (c == u']' && in_array)) {
        ++pos_;
        stack_.pop_back();
        token = Token{};
        token.kind = in_array ? TokenKind::EndArray : TokenKind::EndObject;
        AfterValue();
        return true;
      }
      Fail(in_array ? "',' or ']' expected" : "',' or '}' expected");
    case Expect::Nothing:
      break;
  }
  Fail("additional text after the end of the JSON value");
}

void JsonTokenReader::AfterValue() { expect_ = stack_.empty() ? Expect::Nothing : Expect::CommaOrEnd; }

void JsonTokenReader::Value(Token& token) {
  token = Token{};
  const char16_t c = text_[pos_];
  if (c == u'{') {
    ++pos_;
    token.kind = TokenKind::StartObject;
    stack_.push_back(Container::Object);
    expect_ = Expect::NameOrEnd;
    return;
  }
  if (c == u'[') {
    ++pos_;
    token.kind = TokenKind::StartArray;
    stack_.push_back(Container::Array);
    expect_ = Expect::ValueOrEnd;
    return;
  }
  if (c == u'"' || c == u'\'') {
    ++pos_;
    token.kind = TokenKind::String;
    String(c, token.text);
  } else if (c == u'-' || IsDigit(c)) {
    Number(token);
  } else if (IsNameChar(c)) {
    Word(token);
  } else {
    Fail("value expected");
  }
  AfterValue();
}

void JsonTokenReader::String(char16_t quote, WideString& out) {
  while (true) {
    if (pos_ >= text_.size()) Fail("unterminated string");
    const char16_t c = text_[pos_++];
    if (c == quote) return;
    if (c != u'\\') {
      out.push_back(c);
      continue;
    }
    if (pos_ >= text_.size()) Fail("unterminated string");
    const char16_t e = text_[pos_++];
    switch (e) {
      case u'"':
      case u'\'':
      case u'\\':
      case u'/':
        out.push_back(e);
        break;
      case u'b':
        out.push_back(u'\b');
        break;
      case u'f':
        out.push_back(u'\f');
        break;
      case u'n':
        out.push_back(u'\n');
        break;
      case u'r':
        out.push_back(u'\r');
        break;
      case u't':
        out.push_back(u'\t');
        break;
      case u'u': {
        if (pos_ + 4 > text_.size()) Fail("bad \\u escape");
        int value = 0;
        for (int i = 0; i < 4; ++i) {
          const int digit = HexValue(text_[pos_ + static_cast<size_t>(i)]);
          if (digit < 0) Fail("bad \\u escape");
          value = value * 16 + digit;
        }
        pos_ += 4;
        out.push_back(static_cast<char16_t>(value));
        break;
      }
      default:
        --pos_;
        Fail("bad escape");
    }
  }
}

void JsonTokenReader::UnquotedName(WideString& out) {
  while (pos_ < text_.size() && IsNameChar(text_[pos_])) out.push_back(text_[pos_++]);
}

void JsonTokenReader::Number(Token& token) {
  const size_t start = pos_;
  if (text_[pos_] == u'-') {
    ++pos_;
    if (pos_ < text_.size() && text_[pos_] == u'I') {
      Word(token);
      if (token.kind != TokenKind::Float || !std::isinf(token.number)) {
        pos_ = start;
        Fail("bad number");
      }
      token.number = -std::numeric_limits<double>::infinity();
      return;
    }
  }
  bool integral = true;
  auto digits = [&] {
    const size_t from = pos_;
    while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    if (pos_ == from) Fail("bad number");
  };
  digits();
  if (pos_ < text_.size() && text_[pos_] == u'.') {
    integral = false;
    ++pos_;
    digits();
  }
  if (pos_ < text_.size() && (text_[pos_] == u'e' || text_[pos_] == u'E')) {
    integral = false;
    ++pos_;
    if (pos_ < text_.size() && (text_[pos_] == u'+' || text_[pos_] == u'-')) ++pos_;
    digits();
  }
  if (pos_ < text_.size() && (IsNameChar(text_[pos_]) || text_[pos_] == u'.')) Fail("bad number");
  std::string ascii;
  for (size_t i = start; i < pos_; ++i) ascii.push_back(static_cast<char>(text_[i]));
  const char* begin = ascii.data();
  const char* end = begin + ascii.size();
  if (integral) {
    int64_t value = 0;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec == std::errc() && result.ptr == end) {
      token.kind = TokenKind::Integer;
      token.integer = value;
      token.is64 = value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max();
      return;
    }
  }
  token.kind = TokenKind::Float;
  const auto result = std::from_chars(begin, end, token.number);
  if (result.ec == std::errc::result_out_of_range) {
    const bool tiny = ascii.find("e-") != std::string::npos || ascii.find("E-") != std::string::npos;
    const double magnitude = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    token.number = ascii[0] == '-' ? -magnitude : magnitude;
  } else if (result.ec != std::errc() || result.ptr != end) {
    pos_ = start;
    Fail("bad number");
  }
}

void JsonTokenReader::Word(Token& token) {
  const size_t start = pos_;
  while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
  const WideStringView word = text_.substr(start, pos_ - start);
  token = Token{};
  if (word == u"true" || word == u"false") {
    token.kind = TokenKind::Boolean;
    token.boolean = word == u"true";
  } else if (word == u"null") {
    token.kind = TokenKind::Null;
  } else if (word == u"undefined") {
    token.kind = TokenKind::Undefined;
  } else if (word == u"NaN") {
    token.kind = TokenKind::Float;
    token.number = std::numeric_limits<double>::quiet_NaN();
  } else if (word == u"Infinity") {
    token.kind = TokenKind::Float;
    token.number = std::numeric_limits<double>::infinity();
  } else {
    pos_ = start;
    Fail("unexpected word");
  }
}

}  // namespace lumetra::dataset
