// The storage of JSON items: 16-byte nodes without a virtual table, kept in
// blocks. A node's first byte is its tag (kind, form of its text, whether a
// handle names it); the other fifteen hold a text inline, or a text's length
// and pointer, or a container's block. A block is a 16-byte header followed
// by nodes: the children of one container (an object's members as key node
// and value node side by side), or the single node of a root. Nodes move when
// their block grows or when a sibling is taken out, so nothing outside keeps
// a node's address except the store's handle table, which follows every move
// of a node whose tag says it has a handle (see docs/json_layout.md).
// Internal to lumetra/json; clients use the views of items.h.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "lumetra/automation/values/wide_string.h"
#include "lumetra/json/item_pool.h"

namespace lumetra::json {

enum class Kind : uint8_t { kObject, kArray, kString, kNumber, kBool, kNull, kPair };

// How a string's, number's or key's text is kept.
enum class TextForm : uint8_t {
  kInlineLatin1,  // up to 14 code units, all <= U+00FF, one byte each
  kInlineWide,    // up to 7 UTF-16 code units
  kInlinePacked,  // a number's text of up to 28 characters, four bits each
  kLatin1,        // one byte per code unit in a pool block of its own
  kWide,          // UTF-16 code units in a pool block of its own
};

struct Block;

// The characters of a packed number (TextForm::kInlinePacked), in the order
// of their four-bit codes: a digit's code is its value.
inline constexpr char kPackedSymbols[] = "0123456789+-.eE";
constexpr unsigned PackedCode(char symbol) {
  unsigned code = 0;
  while (kPackedSymbols[code] != symbol) ++code;
  return code;
}

struct alignas(8) Node {
  static constexpr size_t kInlineBytes = 14;
  static constexpr size_t kInlineWideUnits = kInlineBytes / 2;
  static constexpr size_t kPackedChars = kInlineBytes * 2;
  static constexpr uint8_t kKindMask = 0x07;
  static constexpr uint8_t kFormShift = 3;
  static constexpr uint8_t kHandleBit = 0x40;
  static constexpr uint8_t kPlainBit = 0x80;

  // byte 0: tag (kind in bits 0-2, text form in 3-5, has a handle in 6, a
  // text written without escapes in 7); byte 1: inline text length, or a boolean's value; bytes
  // 2-15: inline text; out-of-line text: length in bytes 4-7, pointer in 8-15;
  // container: its block (nullptr while it has no children) in 8-15.
  unsigned char bytes[16];

  Kind kind() const { return static_cast<Kind>(bytes[0] & kKindMask); }
  TextForm form() const { return static_cast<TextForm>((bytes[0] >> kFormShift) & 0x07); }
  bool has_handle() const { return (bytes[0] & kHandleBit) != 0; }
  void set_has_handle(bool on) {
    bytes[0] = static_cast<unsigned char>(on ? bytes[0] | kHandleBit : bytes[0] & ~kHandleBit);
  }
  // A text whose code units are all written as they are (no escapes).
  bool plain() const { return (bytes[0] & kPlainBit) != 0; }
  void set_plain(bool on) { bytes[0] = static_cast<unsigned char>(on ? bytes[0] | kPlainBit : bytes[0] & ~kPlainBit); }
  bool IsContainer() const { return kind() == Kind::kObject || kind() == Kind::kArray; }
  bool HasText() const { return kind() == Kind::kString || kind() == Kind::kNumber || kind() == Kind::kPair; }

  uint32_t OutOfLineSize() const {
    uint32_t size;
    std::memcpy(&size, bytes + 4, sizeof size);
    return size;
  }
  void* Pointer() const {
    void* pointer;
    std::memcpy(&pointer, bytes + 8, sizeof pointer);
    return pointer;
  }
  void SetPointer(const void* pointer) { std::memcpy(bytes + 8, &pointer, sizeof pointer); }
  Block* block() const { return static_cast<Block*>(Pointer()); }
  void set_block(Block* block) { SetPointer(block); }

  static Node Make(Kind kind, TextForm form = TextForm::kInlineLatin1) {
    Node node{};
    node.bytes[0] =
        static_cast<unsigned char>(static_cast<unsigned>(kind) | (static_cast<unsigned>(form) << kFormShift));
    return node;
  }
};
static_assert(sizeof(Node) == 16);

enum class BlockKind : uint8_t { kRoot, kArray, kObject };

// Nodes [begin, end) of the capacity are in use; taking a node out moves the
// shorter side, so taking the first or the last is O(1).
struct Block {
  uint32_t begin;
  uint32_t end;
  uint32_t capacity;
  BlockKind kind;
  unsigned char spare[3];

  Node* nodes() { return reinterpret_cast<Node*>(this + 1); }
  const Node* nodes() const { return reinterpret_cast<const Node*>(this + 1); }
  static size_t Bytes(size_t capacity) { return sizeof(Block) + capacity * sizeof(Node); }

  // A block with room for `capacity` nodes, none in use. Throws std::bad_alloc.
  static Block* Allocate(size_t capacity, BlockKind kind) {
    if (capacity > UINT32_MAX / 2) throw std::bad_alloc();
    auto* block = static_cast<Block*>(ItemMemory().Allocate(Bytes(capacity)));
    block->begin = 0;
    block->end = 0;
    block->capacity = static_cast<uint32_t>(capacity);
    block->kind = kind;
    return block;
  }
  void Release() noexcept { ItemMemory().Release(this, Bytes(capacity)); }
};
static_assert(sizeof(Block) == 16);

// A read-only view of a text, whatever its form; a packed number is unpacked
// into the view itself. Valid while its node is neither changed nor moved.
class ItemText {
 public:
  explicit ItemText(const Node& node);

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  bool wide() const { return wide_; }
  // The code units, one byte each (when !wide()) or UTF-16 (when wide()).
  const unsigned char* latin1() const { return in_buffer_ ? buffer_ : static_cast<const unsigned char*>(data_); }
  const char16_t* utf16() const { return static_cast<const char16_t*>(data_); }

  char16_t operator[](size_t index) const { return wide_ ? utf16()[index] : latin1()[index]; }
  bool Equals(WideStringView text) const;
  friend bool operator==(const ItemText& a, WideStringView b) { return a.Equals(b); }
  // Writes the size() code units to `out`.
  void CopyTo(char16_t* out) const;
  WideString ToWide() const;

 private:
  const void* data_ = nullptr;
  uint32_t size_ = 0;
  bool wide_ = false;
  bool in_buffer_ = false;
  unsigned char buffer_[Node::kPackedChars];
};

// Whether the key or text of `node` equals `text` code unit by code unit.
bool TextEquals(const Node& node, WideStringView text);

// A copy of the key or text of `node` as UTF-16.
WideString TextAsWide(const Node& node);

// A node of `kind` (string, number or member key) holding a copy of `text` in
// the most compact form that fits. Numbers must hold only 0-9 + - . e E to be
// packed; other texts are kept as they are. Throws std::bad_alloc (nothing allocated then).
Node MakeTextNode(Kind kind, WideStringView text);
// The same, made in place; when it throws, `node` owns nothing.
void MakeTextNode(Kind kind, WideStringView text, Node& node);

// Gives back what `node` owns apart from a container's block: its out-of-line text.
inline void ReleaseText(const Node& node) noexcept {
  switch (node.form()) {
    case TextForm::kLatin1:
      if (node.HasText()) ItemMemory().Release(node.Pointer(), node.OutOfLineSize());
      break;
    case TextForm::kWide:
      if (node.HasText()) ItemMemory().Release(node.Pointer(), node.OutOfLineSize() * sizeof(char16_t));
      break;
    default:
      break;
  }
}

// Moves `count` nodes from `from` to `to` (the ranges may overlap), into
// `to_block`, and has the store that holds a handle of any of them follow it.
void MoveNodes(Node* from, Node* to, size_t count, Block* to_block) noexcept;

// Takes nodes [index, index + count) out of `block` (they must be destroyed
// already), keeping the order of the others: the shorter side moves.
void TakeOutNodes(Block& block, uint32_t index, uint32_t count) noexcept;

namespace detail {
// Nodes alive in the process (items in blocks, and those a reader has
// staged), for leak checks in tests.
extern size_t live_nodes;
// Handles live in all stores; while there are none, moves need not look for them.
extern size_t live_handles;
// Has the store that holds a handle of the node that was at `from` follow it
// to `to` in `to_block` (store.cpp).
void FollowHandle(const Node* from, Node* to, Block* to_block) noexcept;
// The handle of `node`, which is being destroyed, dies in the store that holds it (store.cpp).
void ReleaseHandle(Node& node) noexcept;
}  // namespace detail

}  // namespace lumetra::json
