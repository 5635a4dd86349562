#include "lumetra/json/key_path.h"

#include <cstdint>
#include <optional>

namespace lumetra::json {
namespace {

// White space skipped between steps: the Latin-1 spaces and controls, and the
// Unicode space, line and paragraph separators above U+00FF. Most code units
// of a path are printable ASCII: the first test settles them.
bool IsSkippableSpace(char16_t c) {
  if (c > 0x20 && c < 0x85) return false;
  if (c <= 0xFF) return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0;
  return c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

// Trimming removes every code unit up to U+0020 (controls included) at both ends.
WideStringView Trim(WideStringView text) {
  while (!text.empty() && text.front() <= 0x20) text.remove_prefix(1);
  while (!text.empty() && text.back() <= 0x20) text.remove_suffix(1);
  return text;
}

int HexDigit(char16_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A 32-bit integer: decimal with an optional sign, or hexadecimal after "$",
// "x" or "0x". Hexadecimal above 7FFFFFFF wraps to a negative index.
std::optional<int64_t> ParseIndex(WideStringView text) {
  int base = 10;
  bool negative = false;
  if (!text.empty() && text[0] == '$') {
    base = 16, text.remove_prefix(1);
  } else if (!text.empty() && (text[0] == 'x' || text[0] == 'X')) {
    base = 16, text.remove_prefix(1);
  } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16, text.remove_prefix(2);
  } else if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  const uint64_t limit = base == 16 ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
  uint64_t value = 0;
  for (char16_t c : text) {
    const int digit = base == 16 ? HexDigit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
    if (digit < 0) return std::nullopt;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    if (value > limit) return std::nullopt;
  }
  if (base == 16) return static_cast<int32_t>(static_cast<uint32_t>(value));
  return negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
}

class PathReader {
 public:
  explicit PathReader(WideStringView path) : path_(path) {}

  void SkipSpace() {
    while (pos_ < path_.size() && IsSkippableSpace(path_[pos_])) ++pos_;
  }
  bool AtEnd() const { return pos_ == path_.size(); }

  // Reads the step at the current position (white space already skipped) and
  // applies it to `current`. Nothing for a malformed path or nothing found.
  TJSONValue Step(TJSONValue current, bool first) {
    const char16_t c = path_[pos_];
    if (c == '.') {
      if (first) return TJSONValue();
      ++pos_;
      if (AtEnd()) return TJSONValue();
      return NameStep(current, DottedName());
    }
    if (c == '[') return BracketStep(current);
    if (!first) return TJSONValue();
    return NameStep(current, DottedName());
  }

 private:
  // Runs to the next "." or "[" and is trimmed; the last name runs to the end
  // of the path untrimmed. Empty means malformed.
  WideStringView DottedName() {
    const size_t begin = pos_;
    // A plain loop: find_first_of compares every code unit with each of the set.
    size_t end = begin;
    while (end < path_.size() && path_[end] != '.' && path_[end] != '[') ++end;
    pos_ = end;
    if (end == path_.size()) return path_.substr(begin);
    return Trim(path_.substr(begin, end - begin));
  }

  TJSONValue BracketStep(TJSONValue current) {
    ++pos_;
    SkipSpace();
    if (AtEnd()) return TJSONValue();
    const char16_t quote = path_[pos_];
    TJSONValue found;
    if (quote == '"' || quote == '\'') {
      if (!ReadQuotedName(quote)) return TJSONValue();
      found = FindMember(current, quoted_name_);
    } else {
      const size_t close = path_.find(u']', pos_);
      if (close == WideStringView::npos) return TJSONValue();
      const std::optional<int64_t> index = ParseIndex(Trim(path_.substr(pos_, close - pos_)));
      if (!index) return TJSONValue();
      pos_ = close;
      const auto array = As<TJSONArray>(current);
      if (array && *index >= 0 && static_cast<uint64_t>(*index) < array.Count()) {
        found = array.Element(static_cast<size_t>(*index));
      }
    }
    SkipSpace();
    if (AtEnd() || path_[pos_] != ']') return TJSONValue();
    ++pos_;
    return found;
  }

  // A backslash directly before the quote stands for the quote; every other
  // code unit, backslashes included, stands for itself.
  bool ReadQuotedName(char16_t quote) {
    quoted_name_.clear();
    for (++pos_; pos_ < path_.size(); ++pos_) {
      const char16_t c = path_[pos_];
      if (c == quote) {
        ++pos_;
        return true;
      }
      if (c == '\\' && pos_ + 1 < path_.size() && path_[pos_ + 1] == quote) ++pos_;
      quoted_name_ += path_[pos_];
    }
    return false;
  }

  static TJSONValue NameStep(TJSONValue current, WideStringView name) {
    return name.empty() ? TJSONValue() : FindMember(current, name);
  }

  static TJSONValue FindMember(TJSONValue current, WideStringView name) {
    const auto object = As<TJSONObject>(current);
    const TJSONPair member = object ? object.Find(name) : TJSONPair();
    return member ? member.Value() : TJSONValue();
  }

  WideStringView path_;
  size_t pos_ = 0;
  WideString quoted_name_;
};

}  // namespace

TJSONValue FindByKeyPath(TJSONValue start, WideStringView path) {
  if (!start.IsContainer()) return path.empty() ? start : TJSONValue();
  PathReader reader(path);
  TJSONValue current = start;
  for (bool first = true;; first = false) {
    reader.SkipSpace();
    if (reader.AtEnd()) return current;
    current = reader.Step(current, first);
    if (!current) return current;
  }
}

}  // namespace lumetra::json
