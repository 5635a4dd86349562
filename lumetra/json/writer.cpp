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

// Extra code units a code unit takes when written: 0, 1 (short escape) or 5 (\uXXXX).
constexpr auto kExtraUnits = [] {
  struct Table {
    uint8_t value[128] = {};
  } table;
  for (int c = 0; c < 128; ++c) table.value[c] = kEscapes.value[c] == 0 ? 0 : kEscapes.value[c] == 'u' ? 5 : 1;
  return table;
}();

size_t ExtraUnits(char16_t c) { return c < 0x80 ? kExtraUnits.value[c] : 5; }

// The same for the 256 code units of Latin-1 texts, one byte each.
constexpr auto kLatin1ExtraUnits = [] {
  struct Table {
    uint8_t value[256] = {};
  } table;
  for (int c = 0; c < 256; ++c) table.value[c] = c < 0x80 ? kExtraUnits.value[c] : 5;
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

// The two passes over a tree share one walk: first a Measure sink counts the
// code units, then a Fill sink writes them into text sized exactly once.
class Measure {
 public:
  void Char(char16_t) { ++size_; }
  void Ascii(std::string_view text) { size_ += text.size(); }
  void Raw(const Node& node) { size_ += TextSize(node); }
  void String(const Node& node) {
    size_ += 2;
    if (node.plain()) {
      size_ += TextSize(node);
      return;
    }
    WithUnits(node, [this](const auto* units, size_t size) {
      size_ += size;
      for (size_t i = 0; i < size; ++i) size_ += Extra(units[i]);
    });
  }
  size_t size() const { return size_; }

 private:
  static size_t Extra(unsigned char c) { return kLatin1ExtraUnits.value[c]; }
  static size_t Extra(char16_t c) { return ExtraUnits(c); }
  size_t size_ = 0;
};

class Fill {
 public:
  explicit Fill(char16_t* out) : p_(out) {}
  void Char(char16_t c) { *p_++ = c; }
  void Ascii(std::string_view text) {
    for (char c : text) *p_++ = static_cast<char16_t>(c);
  }
  void Raw(const Node& node) {
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
    WithUnits(node, [this](const auto* units, size_t size) { p_ = std::copy(units, units + size, p_); });
  }
  void String(const Node& node) {
    *p_++ = u'"';
    if (node.plain()) {
      WithUnits(node, [this](const auto* units, size_t size) { p_ = std::copy(units, units + size, p_); });
    } else {
      WithUnits(node, [this](const auto* units, size_t size) { Units(units, size); });
    }
    *p_++ = u'"';
  }
  char16_t* end() const { return p_; }

 private:
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

  char16_t* p_;
};

// Walks `top` in text order with an explicit stack of open containers,
// handing every piece of text to the sink. The children of the innermost open
// container are written in one loop; only a child that is a container with
// children interrupts it (pushed, then continued after it).
template <class Sink>
class Walker {
 public:
  explicit Walker(Sink& sink) : sink_(sink) {}

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
  bool Leaf(const Node& node) {
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
  void Open(const Node& node) {
    const bool object = node.kind() == Kind::kObject;
    sink_.Char(object ? u'{' : u'[');
    const Block* block = node.block();
    const Node* first = block->nodes() + block->begin;
    if (depth_ == frames_.size()) frames_.resize(depth_ * 2 + 16);
    frames_[depth_++] = {first, first, block->nodes() + block->end, object};
  }

  Sink& sink_;
  std::vector<Frame> frames_;  // frames_[0, depth_): the open containers, innermost last
  size_t depth_ = 0;
};

}  // namespace

void AppendJSON(TJSONAncestor item, WideString& out) {
  Measure measure;
  Walker<Measure>(measure).Walk(*item.node());
  const size_t start = out.size();
  out.resize(start + measure.size());
  Fill fill(out.data() + start);
  Walker<Fill>(fill).Walk(*item.node());
  assert(fill.end() == out.data() + out.size());
}

WideString FormatJSON(TJSONAncestor item) {
  WideString out;
  AppendJSON(item, out);
  return out;
}

}  // namespace lumetra::json
