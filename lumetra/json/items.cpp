#include "lumetra/json/items.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <new>

#include "lumetra/automation/values/errors.h"
#include "lumetra/automation/values/number_format.h"
#include "lumetra/json/lanes.h"

namespace lumetra::json {

size_t detail::live_nodes = 0;
size_t detail::live_handles = 0;

namespace {

// Code units below U+0080 that the writer escapes (controls, quote, solidus,
// backslash); every unit above U+007F is escaped too.
constexpr auto kEscaped = [] {
  struct Table {
    uint8_t value[128] = {};
  } table;
  for (int c = 0; c < 0x20; ++c) table.value[c] = 1;
  table.value[static_cast<unsigned char>('"')] = 1;
  table.value[static_cast<unsigned char>('/')] = 1;
  table.value[static_cast<unsigned char>('\\')] = 1;
  return table;
}();

// Four-bit code of an ASCII character of a number, 0xFF for any other.
constexpr auto kPackedCodes = [] {
  struct Table {
    uint8_t code[128];
  } table{};
  for (auto& code : table.code) code = 0xFF;
  for (uint8_t i = 0; i < 15; ++i) table.code[static_cast<unsigned char>(kPackedSymbols[i])] = i;
  return table;
}();

// True when the four code units at `p` are all '0'..'9': each 16-bit lane is
// 0x003X, and adding 6 keeps it below 0x0040 (0x3A..0x3F would carry into it).
bool AreFourDigits(uint64_t lanes) {
  return (lanes & 0xFFF0FFF0FFF0FFF0u) == 0x0030003000300030u &&
         ((lanes + 0x0006000600060006u) & 0x0040004000400040u) == 0;
}

// Two characters a byte. Four digits at a time when they come in fours (a
// digit's code is its value), else through the table, without a branch per
// character: a character outside the table's 128 or without a code leaves
// bits above the low four in `bad`.
bool Pack(WideStringView text, Node& node) {
  const char16_t* units = text.data();
  const size_t size = text.size();
  unsigned bad = 0;
  const auto code = [&bad](char16_t c) {
    const unsigned value = kPackedCodes.code[c & 0x7F];
    bad |= value | (c >> 7);
    return value;
  };
  size_t i = 0;
  while (i + 1 < size) {
    uint64_t lanes;
    if (i + 4 <= size && (std::memcpy(&lanes, units + i, sizeof lanes), AreFourDigits(lanes))) {
      const uint64_t values = lanes - 0x0030003000300030u;
      const uint64_t pairs = values | (values >> 12);  // lanes 0|1 in bits 0-7, lanes 2|3 in bits 32-39
      node.bytes[2 + i / 2] = static_cast<unsigned char>(pairs);
      node.bytes[3 + i / 2] = static_cast<unsigned char>(pairs >> 32);
      i += 4;
    } else {
      node.bytes[2 + i / 2] = static_cast<unsigned char>(code(units[i]) | code(units[i + 1]) << 4);
      i += 2;
    }
  }
  if (i < size) node.bytes[2 + i / 2] = static_cast<unsigned char>(code(units[i]));
  node.bytes[1] = static_cast<unsigned char>(size);
  return (bad & ~0x0Fu) == 0;
}

// Room for `count` more nodes at the end of the block of `container`, which
// gets one, a grown one or its children slid to the front. Throws
// std::bad_alloc before anything changes.
Block* RoomAtEnd(Node& container, uint32_t count, BlockKind kind) {
  Block* block = container.block();
  if (block == nullptr) {
    block = Block::Allocate(4, kind);
    container.set_block(block);
    return block;
  }
  if (block->capacity - block->end >= count) return block;
  const uint32_t used = block->end - block->begin;
  if (block->begin >= block->capacity / 2 && block->begin >= count) {
    MoveNodes(block->nodes() + block->begin, block->nodes(), used, block);
    block->begin = 0;
    block->end = used;
    return block;
  }
  Block* grown = Block::Allocate(std::max<size_t>(size_t{used} * 2, size_t{used} + count), kind);
  MoveNodes(block->nodes() + block->begin, grown->nodes(), used, grown);
  grown->end = used;
  block->Release();
  container.set_block(grown);
  return grown;
}

}  // namespace

ItemText::ItemText(const Node& node) {
  switch (node.form()) {
    case TextForm::kInlineLatin1:
      data_ = node.bytes + 2;
      size_ = node.bytes[1];
      break;
    case TextForm::kInlineWide:
      // The node's bytes are copied: a char16_t view of them would alias.
      std::memcpy(buffer_, node.bytes + 2, Node::kInlineBytes);
      data_ = buffer_;
      size_ = node.bytes[1];
      wide_ = true;
      break;
    case TextForm::kInlinePacked:
      size_ = node.bytes[1];
      for (size_t i = 0; i < size_; ++i) {
        const unsigned pair = node.bytes[2 + i / 2];
        buffer_[i] = static_cast<unsigned char>(kPackedSymbols[i % 2 == 0 ? pair & 0x0F : pair >> 4]);
      }
      in_buffer_ = true;
      break;
    case TextForm::kLatin1:
      data_ = node.Pointer();
      size_ = node.OutOfLineSize();
      break;
    case TextForm::kWide:
      data_ = node.Pointer();
      size_ = node.OutOfLineSize();
      wide_ = true;
      break;
  }
}

bool ItemText::Equals(WideStringView text) const {
  if (text.size() != size_) return false;
  if (wide_) return std::equal(text.begin(), text.end(), utf16());
  const unsigned char* units = latin1();
  for (size_t i = 0; i < size_; ++i) {
    if (text[i] != units[i]) return false;
  }
  return true;
}

void ItemText::CopyTo(char16_t* out) const {
  if (wide_) {
    std::copy(utf16(), utf16() + size_, out);
  } else {
    std::copy(latin1(), latin1() + size_, out);
  }
}

WideString ItemText::ToWide() const {
  if (wide_) return WideString(utf16(), size_);
  return WideString(latin1(), latin1() + size_);
}

WideString TextAsWide(const Node& node) {
  switch (node.form()) {
    case TextForm::kInlineLatin1:
      return WideString(node.bytes + 2, node.bytes + 2 + node.bytes[1]);
    case TextForm::kLatin1: {
      const auto* units = static_cast<const unsigned char*>(node.Pointer());
      return WideString(units, units + node.OutOfLineSize());
    }
    case TextForm::kWide:
      return WideString(static_cast<const char16_t*>(node.Pointer()), node.OutOfLineSize());
    case TextForm::kInlineWide:
    case TextForm::kInlinePacked:
      break;
  }
  return ItemText(node).ToWide();
}

namespace {

// Whether the text.size() one-byte code units at `units` equal `text`.
bool SameLatin1(const unsigned char* units, WideStringView text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (units[i] != text[i]) return false;
  }
  return true;
}

// The first code units of `text`, four at a time (the rest, fewer than four,
// are left to the caller): or'ed into `high`, and `escaped` made non-zero when
// one of them is written escaped (the units kEscaped marks, and every unit
// above U+007F). Returns how many it looked at.
size_t LookFourAtATime(WideStringView text, unsigned& high, unsigned& escaped) {
  uint64_t any = 0;    // every word or'ed
  uint64_t marks = 0;  // a lane's top bit set where a unit below U+0080 is escaped
  size_t i = 0;
  for (; text.size() - i >= 4; i += 4) {
    const uint64_t word = lanes::Load(text.data() + i);
    any |= word;
    marks |= lanes::Below(word, 0x20) | lanes::Equal(word, '"') | lanes::Equal(word, '/') | lanes::Equal(word, '\\');
  }
  high |= static_cast<unsigned>((any | (any >> 16) | (any >> 32) | (any >> 48)) & 0xFFFF);
  escaped |= static_cast<unsigned>(marks != 0 || (any & lanes::Broadcast(0xFF80)) != 0);
  return i;
}

// Copies the code units of `text`, all at most U+00FF, one byte each.
void NarrowCopy(WideStringView text, unsigned char* out) {
  size_t i = 0;
  for (; text.size() - i >= 4; i += 4) {
    uint64_t word = lanes::Load(text.data() + i);  // bytes a0b0c0d0 (the high byte of each lane is 0)
    word = (word | (word >> 8)) & 0x0000FFFF0000FFFFu;
    word = (word | (word >> 16)) & 0xFFFFFFFFu;
    const auto four = static_cast<uint32_t>(word);
    std::memcpy(out + i, &four, sizeof four);
  }
  for (; i < text.size(); ++i) out[i] = static_cast<unsigned char>(text[i]);
}

}  // namespace

bool TextEquals(const Node& node, WideStringView text) {
  const auto same_latin1 = [&text](const unsigned char* units) { return SameLatin1(units, text); };
  switch (node.form()) {
    case TextForm::kInlineLatin1:
      return node.bytes[1] == text.size() && same_latin1(node.bytes + 2);
    case TextForm::kLatin1:
      return node.OutOfLineSize() == text.size() && same_latin1(static_cast<const unsigned char*>(node.Pointer()));
    case TextForm::kWide:
      return node.OutOfLineSize() == text.size() &&
             std::equal(text.begin(), text.end(), static_cast<const char16_t*>(node.Pointer()));
    case TextForm::kInlineWide:
    case TextForm::kInlinePacked:
      return node.bytes[1] == text.size() && ItemText(node).Equals(text);
  }
  return false;
}

Node MakeTextNode(Kind kind, WideStringView text) {
  Node node;
  MakeTextNode(kind, text, node);
  return node;
}

void MakeTextNode(Kind kind, WideStringView text, Node& node) {
  const size_t size = text.size();
  if (size > UINT32_MAX) throw std::bad_alloc();
  unsigned high = 0;     // all code units or'ed: above 0xFF means UTF-16
  unsigned escaped = 0;  // non-zero when a code unit is written escaped
  const auto look = [&high, &escaped](char16_t c) {
    high |= c;
    escaped |= kEscaped.value[c & 0x7F] | (c >> 7);
  };
  if (size <= Node::kInlineBytes) {
    node = Node::Make(kind, TextForm::kInlineLatin1);
    for (size_t i = 0; i < size; ++i) {
      look(text[i]);
      node.bytes[2 + i] = static_cast<unsigned char>(text[i]);
    }
    node.bytes[1] = static_cast<unsigned char>(size);
    if (high > 0xFF && size <= Node::kInlineWideUnits) {
      node = Node::Make(kind, TextForm::kInlineWide);
      std::memcpy(node.bytes + 2, text.data(), size * sizeof(char16_t));
      node.bytes[1] = static_cast<unsigned char>(size);
    }
  } else if (kind == Kind::kNumber && size <= Node::kPackedChars &&
             Pack(text, node = Node::Make(kind, TextForm::kInlinePacked))) {
    return;  // numbers are written as they are
  } else {
    const size_t looked = LookFourAtATime(text, high, escaped);
    for (char16_t c : text.substr(looked)) look(c);
  }
  if (size > Node::kInlineBytes || (high > 0xFF && size > Node::kInlineWideUnits)) {
    node = Node::Make(kind, high <= 0xFF ? TextForm::kLatin1 : TextForm::kWide);
    std::memcpy(node.bytes + 4, &size, sizeof(uint32_t));
    if (high <= 0xFF) {
      auto* units = static_cast<unsigned char*>(ItemMemory().Allocate(size));
      NarrowCopy(text, units);
      node.SetPointer(units);
    } else {
      auto* units = static_cast<char16_t*>(ItemMemory().Allocate(size * sizeof(char16_t)));
      std::copy(text.begin(), text.end(), units);
      node.SetPointer(units);
    }
  }
  node.set_plain(escaped == 0);
}

void MoveNodes(Node* from, Node* to, size_t count, Block* to_block) noexcept {
  if (count == 0 || from == to) return;
  std::memmove(static_cast<void*>(to), from, count * sizeof(Node));
  if (detail::live_handles == 0) return;
  // Any order will do: while a shift is under way, a node's new address can
  // still be a neighbour's old one, and the handle index then holds two
  // entries for one address; the one not yet followed is the older and is
  // found first (see Store::Follow).
  for (size_t i = 0; i < count; ++i) {
    if (to[i].has_handle()) detail::FollowHandle(from + i, to + i, to_block);
  }
}

void TakeOutNodes(Block& block, uint32_t index, uint32_t count) noexcept {
  assert(index >= block.begin && index + count <= block.end);
  const uint32_t before = index - block.begin;
  const uint32_t after = block.end - index - count;
  Node* nodes = block.nodes();
  if (before < after) {
    MoveNodes(nodes + block.begin, nodes + block.begin + count, before, &block);
    block.begin += count;
  } else {
    MoveNodes(nodes + index + count, nodes + index, after, &block);
    block.end -= count;
  }
  if (block.begin == block.end) block.begin = block.end = 0;
}

// Depth first from the end of each block, with the way back up kept in the
// nodes themselves: on the way down into a child's block, the child's node
// (already taken out of its block, whose memory stays until the block goes)
// holds the block to return to. No stack and no allocation, so freeing a tree
// of any depth or size cannot fail.
void DestroyNode(Node& top) noexcept {
  --detail::live_nodes;
  if (top.has_handle()) detail::ReleaseHandle(top);
  if (!top.IsContainer()) {
    ReleaseText(top);
    return;
  }
  Block* current = top.block();
  if (current == nullptr) return;
  top.set_block(nullptr);
  Block* parent = nullptr;
  for (;;) {
    if (current->end != current->begin) {
      Node& last = current->nodes()[--current->end];
      --detail::live_nodes;
      if (last.has_handle()) detail::ReleaseHandle(last);
      if (!last.IsContainer()) {
        ReleaseText(last);
      } else if (Block* child = last.block()) {
        last.set_block(parent);
        parent = current;
        current = child;
      }
      continue;
    }
    Block* up = parent;
    current->Release();
    if (up == nullptr) return;
    Node& via = up->nodes()[up->end];  // the node taken out on the way down
    parent = via.block();
    current = up;
  }
}

size_t TJSONObject::Count() const {
  const Block* block = node_->block();
  return block ? (block->end - block->begin) / 2 : 0;
}

TJSONPair TJSONObject::Member(size_t index) const {
  Block* block = node_->block();
  assert(index < Count());
  return TJSONPair(block->nodes() + block->begin + 2 * index, block);
}

TJSONPair TJSONObject::Find(WideStringView name) const {
  Block* block = node_->block();
  if (block == nullptr) return TJSONPair();
  Node* const end = block->nodes() + block->end;
  for (Node* key = block->nodes() + block->begin; key != end; key += 2) {
    // Most keys are short Latin-1: their length, in the node, settles most
    // compares, and the others are compared here without a call.
    if (key->form() == TextForm::kInlineLatin1) {
      if (key->bytes[1] == name.size() && SameLatin1(key->bytes + 2, name)) return TJSONPair(key, block);
      continue;
    }
    if (TextEquals(*key, name)) return TJSONPair(key, block);
  }
  return TJSONPair();
}

TJSONPair TJSONObject::Add(WideStringView key, NewItem&& value) const {
  assert(value);
  NewItem key_node(MakeTextNode(Kind::kPair, key));
  Block* block = RoomAtEnd(*node_, 2, BlockKind::kObject);
  Node* added = block->nodes() + block->end;
  added[0] = key_node.Take();
  added[1] = value.Take();
  block->end += 2;
  detail::live_nodes += 2;
  return TJSONPair(added, block);
}

size_t TJSONArray::Count() const {
  const Block* block = node_->block();
  return block ? block->end - block->begin : 0;
}

TJSONValue TJSONArray::Element(size_t index) const {
  Block* block = node_->block();
  assert(index < Count());
  return TJSONValue(block->nodes() + block->begin + index, block);
}

TJSONValue TJSONArray::Add(NewItem&& element) const {
  assert(element);
  Block* block = RoomAtEnd(*node_, 1, BlockKind::kArray);
  Node* added = block->nodes() + block->end;
  *added = element.Take();
  block->end += 1;
  detail::live_nodes += 1;
  return TJSONValue(added, block);
}

NewItem NewObject() { return NewItem(Node::Make(Kind::kObject)); }
NewItem NewArray() { return NewItem(Node::Make(Kind::kArray)); }
NewItem NewString(WideStringView text) { return NewItem(MakeTextNode(Kind::kString, text)); }
NewItem NewNumber(WideStringView text) { return NewItem(MakeTextNode(Kind::kNumber, text)); }
NewItem NewNull() { return NewItem(Node::Make(Kind::kNull)); }

NewItem NewBool(bool value) {
  Node node = Node::Make(Kind::kBool);
  node.bytes[1] = value ? 1 : 0;
  return NewItem(node);
}

NewItem NumberFromDouble(double value) {
  if (!std::isfinite(value)) throw Error("Invalid number");
  return NewNumber(FormatGeneralNumber(value, u'.'));
}

Tree::Tree(NewItem&& root) {
  assert(root);
  block_ = Block::Allocate(1, BlockKind::kRoot);
  block_->nodes()[0] = root.Take();
  block_->end = 1;
  ++detail::live_nodes;
}

Tree::~Tree() {
  if (block_ == nullptr) return;
  DestroyNode(block_->nodes()[0]);
  block_->Release();
}

Tree& Tree::operator=(Tree&& other) noexcept {
  if (this != &other) {
    Tree doomed(std::move(*this));
    block_ = std::exchange(other.block_, nullptr);
  }
  return *this;
}

}  // namespace lumetra::json
