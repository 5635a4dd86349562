#include "lumetra/json/reader.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace lumetra::json {
namespace {

int HexDigit(char16_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsDigit(char16_t c) { return c >= '0' && c <= '9'; }

// True when the four code units at `p` are all '0'..'9': each 16-bit lane is
// 0x003X, and adding 6 keeps it below 0x0040 (0x3A..0x3F would carry into it).
bool AreFourDigits(const char16_t* p) {
  uint64_t lanes;
  std::memcpy(&lanes, p, sizeof lanes);
  return (lanes & 0xFFF0FFF0FFF0FFF0u) == 0x0030003000300030u &&
         ((lanes + 0x0006000600060006u) & 0x0040004000400040u) == 0;
}

// One pass over the text. Open containers live on an explicit stack, so the
// depth of the text never reaches the machine stack. The children of open
// containers wait on two staging stacks (members, elements) and move into
// their container, sized once, when it closes; on failure everything staged
// is simply dropped.
class Reader {
 public:
  explicit Reader(WideStringView text) : p_(text.data()), end_(text.data() + text.size()) {
    if (text.size() > 1 && text[0] == 0xFEFF) ++p_;
    open_.reserve(64);
  }

  std::unique_ptr<TJSONValue> Read() {
    Next next = Next::kValue;
    for (;;) {
      switch (next) {
        case Next::kValue:
          next = ReadValue();
          break;
        case Next::kSeparator:
          if (open_.empty()) {
            SkipSpace();
            return p_ == end_ ? std::move(root_) : nullptr;
          }
          next = ReadSeparator();
          break;
        case Next::kFail:
          return nullptr;
      }
    }
  }

 private:
  enum class Next { kValue, kSeparator, kFail };

  struct Open {
    TJSONValue* container;
    size_t first;  // where its children begin on their staging stack
  };

  void SkipSpace() {
    while (p_ != end_ && (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t')) ++p_;
  }

  Next ReadValue() {
    SkipSpace();
    if (p_ == end_) return Next::kFail;
    switch (*p_) {
      case '{':
      case '[':
        return OpenContainer();
      case '"': {
        ++p_;
        WideStringView text;
        if (!ReadString(text)) return Next::kFail;
        Place(TJSONString::Make(text));
        return Next::kSeparator;
      }
      case 't':
        return ReadLiteral(u"true", [] { return std::make_unique<TJSONTrue>(); });
      case 'f':
        return ReadLiteral(u"false", [] { return std::make_unique<TJSONFalse>(); });
      case 'n':
        return ReadLiteral(u"null", [] { return std::make_unique<TJSONNull>(); });
      default:
        return ReadNumber();
    }
  }

  Next OpenContainer() {
    if (open_.size() == kMaxParseDepth) return Next::kFail;
    const bool is_object = *p_++ == '{';
    TJSONValue& container = is_object ? Place(std::make_unique<TJSONObject>()) : Place(std::make_unique<TJSONArray>());
    SkipSpace();
    if (p_ != end_ && *p_ == (is_object ? '}' : ']')) {
      ++p_;
      return Next::kSeparator;
    }
    open_.push_back({&container, is_object ? members_.size() : elements_.size()});
    return is_object ? ReadKey() : Next::kValue;
  }

  // After a value inside a container: "," and the next member or element, or the close.
  Next ReadSeparator() {
    SkipSpace();
    if (p_ == end_) return Next::kFail;
    const char16_t c = *p_++;
    const bool in_object = open_.back().container->IsObject();
    if (c == ',') {
      if (!in_object) return Next::kValue;
      SkipSpace();
      return ReadKey();
    }
    if (c != (in_object ? '}' : ']')) return Next::kFail;
    Close();
    return Next::kSeparator;
  }

  // Moves the staged children of the innermost open container into it.
  void Close() {
    const Open open = open_.back();
    open_.pop_back();
    if (auto* object = As<TJSONObject>(open.container)) {
      object->Append(members_.data() + open.first, members_.data() + members_.size());
      members_.resize(open.first);
    } else {
      static_cast<TJSONArray&>(*open.container)
          .Append(elements_.data() + open.first, elements_.data() + elements_.size());
      elements_.resize(open.first);
    }
  }

  Next ReadKey() {
    if (p_ == end_ || *p_ != '"') return Next::kFail;
    ++p_;
    if (!ReadString(key_)) return Next::kFail;
    SkipSpace();
    if (p_ == end_ || *p_ != ':') return Next::kFail;
    ++p_;
    return Next::kValue;
  }

  // From after the opening quote to after the closing one. `text` is the
  // string's text: a view of the input when it holds no escape, else of a
  // scratch buffer valid until the next string is read.
  bool ReadString(WideStringView& text) {
    const char16_t* run = p_;
    while (p_ != end_ && *p_ != '"' && *p_ != '\\') ++p_;
    if (p_ == end_) return false;
    if (*p_ == '"') {
      text = WideStringView(run, static_cast<size_t>(p_ - run));
      ++p_;
      return true;
    }
    WideString& out = scratch_[next_scratch_];
    next_scratch_ ^= 1;  // a key's text must survive its value's
    out.assign(run, p_);
    while (*p_ != '"') {
      ++p_;  // the backslash
      if (p_ == end_) return false;
      switch (*p_++) {
        case '"':
          out += u'"';
          break;
        case '\\':
          out += u'\\';
          break;
        case '/':
          out += u'/';
          break;
        case 'b':
          out += u'\b';
          break;
        case 'f':
          out += u'\f';
          break;
        case 'n':
          out += u'\n';
          break;
        case 'r':
          out += u'\r';
          break;
        case 't':
          out += u'\t';
          break;
        case 'u': {
          if (end_ - p_ < 4) return false;
          unsigned unit = 0;
          for (int i = 0; i < 4; ++i) {
            const int digit = HexDigit(*p_++);
            if (digit < 0) return false;
            unit = unit * 16 + static_cast<unsigned>(digit);
          }
          out += static_cast<char16_t>(unit);
          break;
        }
        default:
          return false;
      }
      run = p_;
      while (p_ != end_ && *p_ != '"' && *p_ != '\\') ++p_;
      if (p_ == end_) return false;
      out.append(run, p_);
    }
    ++p_;
    text = out;
    return true;
  }

  template <class Make>
  Next ReadLiteral(WideStringView literal, Make make) {
    if (static_cast<size_t>(end_ - p_) < literal.size() || WideStringView(p_, literal.size()) != literal) {
      return Next::kFail;
    }
    p_ += literal.size();
    Place(make());
    return Next::kSeparator;
  }

  // -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?, kept as written.
  Next ReadNumber() {
    const char16_t* start = p_;
    if (*p_ == '-') ++p_;
    if (p_ == end_ || !IsDigit(*p_)) return Next::kFail;
    if (*p_++ != '0') SkipDigits();
    if (p_ != end_ && *p_ == '.') {
      ++p_;
      if (!SkipDigits()) return Next::kFail;
    }
    if (p_ != end_ && (*p_ == 'e' || *p_ == 'E')) {
      ++p_;
      if (p_ != end_ && (*p_ == '+' || *p_ == '-')) ++p_;
      if (!SkipDigits()) return Next::kFail;
    }
    Place(TJSONNumber::Make(WideStringView(start, static_cast<size_t>(p_ - start))));
    return Next::kSeparator;
  }

  // True when at least one digit was skipped. Four code units at a time
  // while they are all digits, then one by one.
  bool SkipDigits() {
    const char16_t* start = p_;
    while (end_ - p_ >= 4 && AreFourDigits(p_)) p_ += 4;
    while (p_ != end_ && IsDigit(*p_)) ++p_;
    return p_ != start;
  }

  // Stages a new value as the next child of the innermost open container
  // (as a member with the pending key in an object), or makes it the root.
  TJSONValue& Place(std::unique_ptr<TJSONValue> value) {
    TJSONValue& placed = *value;
    if (open_.empty()) {
      root_ = std::move(value);
    } else if (open_.back().container->IsObject()) {
      members_.push_back(TJSONPair::Make(key_, std::move(value)));
    } else {
      elements_.push_back(std::move(value));
    }
    return placed;
  }

  const char16_t* p_;
  const char16_t* const end_;
  std::vector<Open> open_;                             // innermost last
  std::vector<std::unique_ptr<TJSONPair>> members_;    // staged members of open objects
  std::vector<std::unique_ptr<TJSONValue>> elements_;  // staged elements of open arrays
  WideStringView key_;                                 // key of the member whose value comes next
  WideString scratch_[2];                              // texts with escapes: the key's and the value's
  int next_scratch_ = 0;
  std::unique_ptr<TJSONValue> root_;
};

}  // namespace

std::unique_ptr<TJSONValue> ParseJSON(WideStringView text) { return Reader(text).Read(); }

}  // namespace lumetra::json
