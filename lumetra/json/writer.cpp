#include "lumetra/json/writer.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <string_view>
#include <vector>

namespace lumetra::json {
namespace {

// Short escapes of the ASCII range; 'u' means \uXXXX, 0 means the code unit itself.
constexpr auto kEscapes = [] {
  struct Table {
    char value[128] = {};
  } table;
  for (int c = 0; c < 0x20; ++c) table.value[c] = 'u';
  table.value[static_cast<unsigned char>('\b')] = 'b';
  table.value[static_cast<unsigned char>('\t')] = 't';
  table.value[static_cast<unsigned char>('\n')] = 'n';
  table.value[static_cast<unsigned char>('\f')] = 'f';
  table.value[static_cast<unsigned char>('\r')] = 'r';
  table.value[static_cast<unsigned char>('"')] = '"';
  table.value[static_cast<unsigned char>('/')] = '/';
  table.value[static_cast<unsigned char>('\\')] = '\\';
  return table;
}();

// The two characters of each byte of a packed number (low four bits first).
constexpr auto kPackedPairs = [] {
  constexpr char kSymbols[] = "0123456789+-.eE?";
  struct Table {
    char16_t pair[256][2] = {};
  } table;
  for (int b = 0; b < 256; ++b) {
    table.pair[b][0] = static_cast<char16_t>(kSymbols[b & 0x0F]);
    table.pair[b][1] = static_cast<char16_t>(kSymbols[b >> 4]);
  }
  return table;
}();

// Calls `units(pointer, size)` with the code units of the text of `node`
// (unsigned char for Latin-1 forms, char16_t for UTF-16 ones).
template <class Units>
void WithUnits(const Node& node, Units&& units) {
  switch (node.form()) {
    case TextForm::kInlineLatin1:
      units(node.bytes + 2, size_t{node.bytes[1]});
      return;
    case TextForm::kLatin1:
      units(static_cast<const unsigned char*>(node.Pointer()), size_t{node.OutOfLineSize()});
      return;
    case TextForm::kWide:
      units(static_cast<const char16_t*>(node.Pointer()), size_t{node.OutOfLineSize()});
      return;
    case TextForm::kInlineWide:
    case TextForm::kInlinePacked: {
      const ItemText text(node);
      if (text.wide()) {
        units(text.utf16(), text.size());
      } else {
        units(text.latin1(), text.size());
      }
      return;
    }
  }
}

size_t TextSize(const Node& node) {
  return node.form() == TextForm::kLatin1 || node.form() == TextForm::kWide ? node.OutOfLineSize() : node.bytes[1];
}

// Writes the text of a tree at the end of a string that it grows as it goes
// (doubling): one walk over the tree. Every write first makes room for the
// most it can take, so the pointer never passes the end of the string.
class Fill {
 public:
  explicit Fill(WideString& out) : out_(out), start_(out.size()), p_(out.data() + start_), limit_(p_) {
    Grow(kFirstRoom);
  }
  Fill(const Fill&) = delete;
  Fill& operator=(const Fill&) = delete;
  // Cuts the string to what was written.
  void Finish() { out_.resize(static_cast<size_t>(p_ - out_.data())); }
  void Char(char16_t c) {
    Room(1);
    *p_++ = c;
  }
  void Ascii(std::string_view text) {
    Room(text.size());
    for (char c : text) *p_++ = static_cast<char16_t>(c);
  }
  void Raw(const Node& node) {
    Room(TextSize(node) + kSlack);
    if (node.form() == TextForm::kInlinePacked) {
      // Two characters a byte, through a table; an odd length ends in half a byte.
      const size_t size = node.bytes[1];
      for (size_t i = 0; i < size / 2; ++i) {
        const char16_t* pair = kPackedPairs.pair[node.bytes[2 + i]];
        p_[0] = pair[0];
        p_[1] = pair[1];
        p_ += 2;
      }
      if (size % 2 != 0) *p_++ = kPackedPairs.pair[node.bytes[2 + size / 2]][0];
      return;
    }
    if (node.form() == TextForm::kInlineLatin1) {
      InlineLatin1(node);
      return;
    }
    WithUnits(node, [this](const auto* units, size_t size) { p_ = std::copy(units, units + size, p_); });
  }
  void String(const Node& node) {
    const size_t size = TextSize(node);
    Room(2 + (node.plain() ? size + kSlack : 6 * size));
    *p_++ = u'"';
    if (node.plain() && node.form() == TextForm::kInlineLatin1) {
      InlineLatin1(node);
    } else if (node.plain()) {
      WithUnits(node, [this](const auto* units, size_t size) { p_ = std::copy(units, units + size, p_); });
    } else {
      WithUnits(node, [this](const auto* units, size_t size) { Units(units, size); });
    }
    *p_++ = u'"';
  }

 private:
  // Code units Fill may write past the end of a text (and then overwrite or drop).
  static constexpr size_t kSlack = Node::kInlineBytes;
  static constexpr size_t kFirstRoom = 256;

  void Room(size_t units) {
    if (static_cast<size_t>(limit_ - p_) < units) Grow(units);
  }
  [[gnu::noinline]] void Grow(size_t units) {
    const size_t at = static_cast<size_t>(p_ - out_.data());
    // About twice what this text has taken so far: O(log n) grows.
    out_.resize(at + std::max(units, at - start_ + kFirstRoom));
    p_ = out_.data() + at;
    limit_ = out_.data() + out_.size();
  }

  // All the inline bytes are widened, a fixed count done at once, and only
  // the text's own are kept: the rest lands in what comes next, or in the slack.
  void InlineLatin1(const Node& node) {
    for (size_t i = 0; i < Node::kInlineBytes; ++i) p_[i] = node.bytes[2 + i];
    p_ += node.bytes[1];
  }

  template <class Unit>
  void Units(const Unit* units, size_t size) {
    for (size_t i = 0; i < size; ++i) {
      const char16_t c = units[i];
      if (c < 0x80 && kEscapes.value[c] == 0) {
        *p_++ = c;
      } else {
        Escape(c);
      }
    }
  }

  void Escape(char16_t c) {
    const char escape = c < 0x80 ? kEscapes.value[c] : 'u';
    *p_++ = u'\\';
    if (escape != 'u') {
      *p_++ = static_cast<char16_t>(escape);
      return;
    }
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    p_[0] = u'u';
    p_[1] = kHex[c >> 12];
    p_[2] = kHex[(c >> 8) & 0xF];
    p_[3] = kHex[(c >> 4) & 0xF];
    p_[4] = kHex[c & 0xF];
    p_ += 5;
  }

  WideString& out_;
  const size_t start_;  // where this text begins in out_
  char16_t* p_;         // in out_, at most limit_
  char16_t* limit_;
};

// Walks `top` in text order with an explicit stack of open containers,
// handing every piece of text to the Fill. The children of the innermost open
// container are written in one loop; only a child that is a container with
// children interrupts it (pushed, then continued after it).
class Walker {
 public:
  explicit Walker(Fill& sink) : sink_(sink) {}

  void Walk(const Node& top) {
    const Node* value = &top;
    if (top.kind() == Kind::kPair) {
      sink_.String(top);
      sink_.Char(u':');
      value = &top + 1;  // the value is never a member: one level only
    }
    if (!Leaf(*value)) Open(*value);
    while (depth_ != 0) {
      Frame& frame = frames_[depth_ - 1];
      const Node* next = frame.next;
      const Node* const end = frame.end;
      const bool object = frame.object;
      const Node* opened = nullptr;
      while (next != end) {
        if (next != frame.first) sink_.Char(u',');
        const Node* child = next;
        if (object) {
          sink_.String(*child);
          sink_.Char(u':');
          ++child;
          next += 2;
        } else {
          next += 1;
        }
        if (!Leaf(*child)) {
          opened = child;
          break;
        }
      }
      frame.next = next;
      if (opened == nullptr) {
        sink_.Char(object ? u'}' : u']');
        --depth_;
      } else {
        Open(*opened);  // may grow frames_: `frame` is not used after this
      }
    }
  }

 private:
  struct Frame {
    const Node* first;  // the first child (a key node in an object)
    const Node* next;   // the next child to write
    const Node* end;
    bool object;
  };

  // Writes a leaf or an empty container whole (true); false for a container with children.
  // Inlined into the walk's loop, so that the Fill's state can stay in registers there.
  [[gnu::always_inline]] bool Leaf(const Node& node) {
    switch (node.kind()) {
      case Kind::kString:
        sink_.String(node);
        return true;
      case Kind::kNumber:
        sink_.Raw(node);
        return true;
      case Kind::kBool:
        sink_.Ascii(node.bytes[1] != 0 ? "true" : "false");
        return true;
      case Kind::kNull:
        sink_.Ascii("null");
        return true;
      case Kind::kObject:
      case Kind::kArray: {
        const Block* block = node.block();
        if (block != nullptr && block->begin != block->end) return false;
        sink_.Ascii(node.kind() == Kind::kObject ? "{}" : "[]");
        return true;
      }
      case Kind::kPair:
        break;
    }
    assert(false && "a member is never a value");
    return true;
  }

  // Writes the opening of a container with children and pushes it.
  [[gnu::always_inline]] void Open(const Node& node) {
    const bool object = node.kind() == Kind::kObject;
    sink_.Char(object ? u'{' : u'[');
    const Block* block = node.block();
    const Node* first = block->nodes() + block->begin;
    if (depth_ == frames_.size()) Grow();
    frames_[depth_++] = {first, first, block->nodes() + block->end, object};
  }
  [[gnu::noinline]] void Grow() { frames_.resize(depth_ * 2 + 16); }

  Fill& sink_;
  std::vector<Frame> frames_;  // frames_[0, depth_): the open containers, innermost last
  size_t depth_ = 0;
};

}  // namespace

void AppendJSON(TJSONAncestor item, WideString& out) {
  const size_t start = out.size();
  try {
    Fill fill(out);
    Walker(fill).Walk(*item.node());
    fill.Finish();
  } catch (...) {
    out.resize(start);  // what was there before, no half-written text
    throw;
  }
}

WideString FormatJSON(TJSONAncestor item) {
  WideString out;
  AppendJSON(item, out);
  return out;
}

}  // namespace lumetra::json
