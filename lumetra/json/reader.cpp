#include "lumetra/json/reader.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "lumetra/json/lanes.h"

namespace lumetra::json {
namespace {

int HexDigit(char16_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsDigit(char16_t c) { return c >= '0' && c <= '9'; }

// One pass over the text. Open containers live on an explicit stack, so the
// depth of the text never reaches the machine stack. The nodes of open
// containers' children wait on one staging stack (a member as its key node
// and its value node) and are copied into a block of exactly their number
// when their container closes. Every staged node counts as alive; on failure
// the destructor destroys what is still staged, blocks below included.
class Reader {
 public:
  explicit Reader(WideStringView text) : p_(text.data()), end_(text.data() + text.size()) {
    if (text.size() > 1 && text[0] == 0xFEFF) ++p_;
    open_.reserve(64);
    staged_.reserve(256);
  }
  ~Reader() {
    for (Node& node : staged_) DestroyNode(node);
  }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  Tree Read() {
    Next next = Next::kValue;
    for (;;) {
      switch (next) {
        case Next::kValue:
          next = ReadValue();
          break;
        case Next::kSeparator:
          if (open_.empty()) {
            SkipSpace();
            return p_ == end_ ? MakeTree() : Tree();
          }
          next = ReadSeparator();
          break;
        case Next::kFail:
          return Tree();
      }
    }
  }

 private:
  enum class Next { kValue, kSeparator, kFail };

  struct Open {
    size_t first;  // where its children begin on the staging stack (its own node is just before)
    bool object;
  };

  Tree MakeTree() {
    Block* root = Block::Allocate(1, BlockKind::kRoot);
    root->nodes()[0] = staged_[0];
    root->end = 1;
    staged_.clear();
    return Tree(root);
  }

  // Runs of spaces (indentation) go four code units at a time.
  void SkipSpace() {
    constexpr uint64_t kFourSpaces = lanes::Broadcast(u' ');
    for (;;) {
      while (end_ - p_ >= 4 && lanes::Load(p_) == kFourSpaces) p_ += 4;
      if (p_ == end_ || *p_ > u' ' || (*p_ != u' ' && *p_ != u'\n' && *p_ != u'\r' && *p_ != u'\t')) return;
      ++p_;
    }
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
        Stage(Kind::kString, text);
        return Next::kSeparator;
      }
      case 't':
        return ReadLiteral(u"true", Kind::kBool, 1);
      case 'f':
        return ReadLiteral(u"false", Kind::kBool, 0);
      case 'n':
        return ReadLiteral(u"null", Kind::kNull, 0);
      default:
        return ReadNumber();
    }
  }

  Next OpenContainer() {
    if (open_.size() == kMaxParseDepth) return Next::kFail;
    const bool is_object = *p_++ == '{';
    Stage(Node::Make(is_object ? Kind::kObject : Kind::kArray));
    SkipSpace();
    if (p_ != end_ && *p_ == (is_object ? '}' : ']')) {
      ++p_;
      return Next::kSeparator;
    }
    open_.push_back({staged_.size(), is_object});
    return is_object ? ReadKey() : Next::kValue;
  }

  // After a value inside a container: "," and the next member or element, or the close.
  Next ReadSeparator() {
    SkipSpace();
    if (p_ == end_) return Next::kFail;
    const char16_t c = *p_++;
    const bool in_object = open_.back().object;
    if (c == ',') {
      if (!in_object) return Next::kValue;
      SkipSpace();
      return ReadKey();
    }
    if (c != (in_object ? '}' : ']')) return Next::kFail;
    Close();
    return Next::kSeparator;
  }

  // Copies the staged children of the innermost open container into its block.
  void Close() {
    const Open open = open_.back();
    const size_t count = staged_.size() - open.first;
    Block* block = Block::Allocate(count, open.object ? BlockKind::kObject : BlockKind::kArray);
    const Node* from = staged_.data() + open.first;
    if (count <= 4) {
      // Most containers are small (canada.json: a million coordinate pairs): no call for them.
      for (size_t i = 0; i < count; ++i) block->nodes()[i] = from[i];
    } else {
      std::memcpy(static_cast<void*>(block->nodes()), from, count * sizeof(Node));
    }
    block->end = static_cast<uint32_t>(count);
    staged_[open.first - 1].set_block(block);
    staged_.resize(open.first);
    open_.pop_back();
  }

  Next ReadKey() {
    if (p_ == end_ || *p_ != '"') return Next::kFail;
    ++p_;
    WideStringView key;
    if (!ReadString(key)) return Next::kFail;
    Stage(Kind::kPair, key);
    SkipSpace();
    if (p_ == end_ || *p_ != ':') return Next::kFail;
    ++p_;
    return Next::kValue;
  }
  // Moves to the first '"' or '\\' from here on, or to the end; four code units at a time.
  void SkipToQuoteOrBackslash() {
    for (; end_ - p_ >= 4; p_ += 4) {
      const uint64_t word = lanes::Load(p_);
      const uint64_t marks = lanes::Equal(word, '"') | lanes::Equal(word, '\\');
      if (marks != 0) {
        p_ += lanes::FirstMarked(marks);
        return;
      }
    }
    while (p_ != end_ && *p_ != '"' && *p_ != '\\') ++p_;
  }

  // From after the opening quote to after the closing one. `text` is the
  // string's text: a view of the input when it holds no escape, else of a
  // scratch buffer valid until the next string is read (it is staged at once).
  bool ReadString(WideStringView& text) {
    const char16_t* run = p_;
    SkipToQuoteOrBackslash();
    if (p_ == end_) return false;
    if (*p_ == '"') {
      text = WideStringView(run, static_cast<size_t>(p_ - run));
      ++p_;
      return true;
    }
    WideString& out = scratch_;
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
      SkipToQuoteOrBackslash();
      if (p_ == end_) return false;
      out.append(run, p_);
    }
    ++p_;
    text = out;
    return true;
  }

  Next ReadLiteral(WideStringView literal, Kind kind, unsigned char value) {
    if (static_cast<size_t>(end_ - p_) < literal.size() || WideStringView(p_, literal.size()) != literal) {
      return Next::kFail;
    }
    p_ += literal.size();
    Node node = Node::Make(kind);
    node.bytes[1] = value;
    Stage(node);
    return Next::kSeparator;
  }

  // -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?, kept as written. The
  // characters are packed as they are scanned, so a number of the packed
  // form's length is staged without a second pass over its digits.
  Next ReadNumber() {
    const char16_t* start = p_;
    NumberPacker packer;
    if (*p_ == '-') {
      packer.Put(PackedCode('-'));
      ++p_;
    }
    if (p_ == end_ || !IsDigit(*p_)) return Next::kFail;
    if (*p_ == '0') {
      packer.Put(0);
      ++p_;
    } else {
      PackDigits(packer);
    }
    if (p_ != end_ && *p_ == '.') {
      packer.Put(PackedCode('.'));
      ++p_;
      if (!PackDigits(packer)) return Next::kFail;
    }
    if (p_ != end_ && (*p_ == 'e' || *p_ == 'E')) {
      packer.Put(*p_ == 'e' ? PackedCode('e') : PackedCode('E'));
      ++p_;
      if (p_ != end_ && (*p_ == '+' || *p_ == '-')) {
        packer.Put(*p_ == '+' ? PackedCode('+') : PackedCode('-'));
        ++p_;
      }
      if (!PackDigits(packer)) return Next::kFail;
    }
    const size_t size = static_cast<size_t>(p_ - start);
    if (size > Node::kInlineBytes && size <= Node::kPackedChars) {
      // The form MakeTextNode gives such a number (the reader's numbers hold only packable characters).
      MakeRoom();
      packer.WriteTo(staged_.emplace_back());
      ++detail::live_nodes;
    } else {
      Stage(Kind::kNumber, WideStringView(start, size));
    }
    return Next::kSeparator;
  }

  // Four bits a character, character i at bits 4i..4i+3 of the 112 bits of
  // a node's bytes 2-15 (little-endian: byte 2 + i/2, the low half for even
  // i). Characters beyond the 28 that fit are counted, not kept.
  class NumberPacker {
   public:
    void Put(unsigned code) { Put(code, 1); }
    // `count` (1-4) characters whose codes are the low nibbles of `nibbles`, the first lowest.
    void Put(uint64_t nibbles, size_t count) {
      if (count_ < 16) {
        low_ |= nibbles << (4 * count_);
        if (count_ > 12) high_ |= nibbles >> (64 - 4 * count_);
      } else if (count_ < Node::kPackedChars) {
        high_ |= nibbles << (4 * count_ - 64);  // what passes character 27 is never written out
      }
      count_ += count;
    }
    // A number node in the packed form of the count_ (15..28) characters put.
    void WriteTo(Node& node) const {
      static_assert(std::endian::native == std::endian::little);
      // All sixteen bytes are stored in place (no node assembled elsewhere and copied: see Stage).
      node.bytes[0] = static_cast<unsigned char>(static_cast<unsigned>(Kind::kNumber) |
                                                 (static_cast<unsigned>(TextForm::kInlinePacked) << Node::kFormShift));
      node.bytes[1] = static_cast<unsigned char>(count_);
      std::memcpy(node.bytes + 2, &low_, sizeof low_);
      std::memcpy(node.bytes + 10, &high_, 6);
    }

   private:
    uint64_t low_ = 0;   // characters 0-15
    uint64_t high_ = 0;  // characters 16-27
    size_t count_ = 0;
  };

  // True when at least one digit was read. Four code units at a time: the
  // digits before the first other code unit of the four are packed at once.
  // Inlined so that the packer stays in registers (three calls made the compiler keep it a call).
  [[gnu::always_inline]] bool PackDigits(NumberPacker& packer) {
    const char16_t* start = p_;
    while (end_ - p_ >= 4) {
      const uint64_t word = lanes::Load(p_);
      // Non-zero in each lane that is not '0'..'9': a digit lane is 0x003X,
      // and adding 6 keeps it below 0x0040 (0x3A..0x3F reach it). A lane
      // above another non-digit may be wrong from the carry or borrow, but
      // the lowest non-digit lane is right, and only the lanes below it are packed.
      const uint64_t other =
          ((word & 0xFFF0FFF0FFF0FFF0u) ^ 0x0030003000300030u) | ((word + 0x0006000600060006u) & 0x0040004000400040u);
      const size_t digits = other == 0 ? 4 : static_cast<size_t>(std::countr_zero(other)) / 16;
      if (digits != 0) {
        const uint64_t values = word - 0x0030003000300030u;
        const uint64_t pairs = values | (values >> 12);  // lanes 0|1 in bits 0-7, lanes 2|3 in bits 32-39
        const uint64_t four = (pairs & 0xFF) | ((pairs >> 24) & 0xFF00);
        packer.Put(four & ((uint64_t{1} << (4 * digits)) - 1), digits);
        p_ += digits;
      }
      if (digits != 4) return p_ != start;
    }
    while (p_ != end_ && IsDigit(*p_)) {
      packer.Put(static_cast<unsigned>(*p_ - '0'));
      ++p_;
    }
    return p_ != start;
  }

  // Stages a node as the next child of the innermost open container (a key
  // node, then its value, in an object), or as the root.
  void Stage(const Node& node) {
    MakeRoom();
    staged_.push_back(node);
    ++detail::live_nodes;
  }

  // Stages a node holding `text`; room is made first so that its text, once
  // made, is staged (and so destroyed on failure) without fail.
  void Stage(Kind kind, WideStringView text) {
    MakeRoom();
    // Made right in its place: a node assembled byte by byte and then copied
    // would be read back before its bytes reach the cache (a stall per node).
    Node& node = staged_.emplace_back();
    try {
      MakeTextNode(kind, text, node);
    } catch (...) {
      staged_.pop_back();
      throw;
    }
    ++detail::live_nodes;
  }

  void MakeRoom() {
    if (staged_.size() == staged_.capacity()) staged_.reserve(staged_.capacity() * 2);
  }

  const char16_t* p_;
  const char16_t* const end_;
  std::vector<Open> open_;    // innermost last
  std::vector<Node> staged_;  // the root, then the children of open containers
  WideString scratch_;        // the text of a string with escapes
};

}  // namespace

Tree ParseJSON(WideStringView text) { return Reader(text).Read(); }

}  // namespace lumetra::json
