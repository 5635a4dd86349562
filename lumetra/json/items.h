// The JSON item kinds, as views of nodes (node.h). An item is a value
// (object, array, string, number, boolean, null) or an object member
// (TJSONPair, not a value). A view is (node, block): small, passed by value,
// and valid until its container's children change (an add to or a free in
// the same container moves them); a handle (store.h) is the lasting name of
// an item. A default view names nothing (false when tested).
//
// Values are made detached (NewItem: a leaf or an empty container) and then
// attached by Add, or become the root of a Tree. Containers only grow by Add;
// children leave only through Store::Free. Destroying a tree walks it without
// recursion and without allocating, so any depth is fine.
// Not thread-safe: items are used from one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "lumetra/automation/values/wide_string.h"
#include "lumetra/json/node.h"

namespace lumetra::json {

class TJSONAncestor {
 public:
  TJSONAncestor() = default;
  // A view of `node`, which lies in `block` (nullptr for a detached item, which can only be read).
  TJSONAncestor(Node* node, Block* block) : node_(node), block_(block) {}

  explicit operator bool() const { return node_ != nullptr; }
  // Same item (both views of one node, or both of nothing).
  friend bool operator==(const TJSONAncestor& a, const TJSONAncestor& b) { return a.node_ == b.node_; }

  Kind kind() const { return node_->kind(); }
  bool IsValue() const { return kind() != Kind::kPair; }
  bool IsPair() const { return kind() == Kind::kPair; }
  bool IsObject() const { return kind() == Kind::kObject; }
  bool IsArray() const { return kind() == Kind::kArray; }
  bool IsContainer() const { return node_->IsContainer(); }
  bool IsString() const { return kind() == Kind::kString || kind() == Kind::kNumber; }  // numbers too
  bool IsNumber() const { return kind() == Kind::kNumber; }
  bool IsBool() const { return kind() == Kind::kBool; }  // TJSONBool, TJSONTrue and TJSONFalse
  bool IsNull() const { return kind() == Kind::kNull; }

  Node* node() const { return node_; }
  Block* block() const { return block_; }

  // Items alive in the process, for leak checks in tests.
  static size_t LiveCount() { return detail::live_nodes; }

 protected:
  Node* node_ = nullptr;
  Block* block_ = nullptr;
};

class TJSONValue : public TJSONAncestor {
 public:
  using TJSONAncestor::TJSONAncestor;
  static bool Accepts(const Node& node) { return node.kind() != Kind::kPair; }
};

class TJSONPair;
class NewItem;

class TJSONObject : public TJSONValue {
 public:
  using TJSONValue::TJSONValue;
  static bool Accepts(const Node& node) { return node.kind() == Kind::kObject; }

  size_t Count() const;
  TJSONPair Member(size_t index) const;
  // The first member whose key equals `name` code unit by code unit; nothing when none does.
  TJSONPair Find(WideStringView name) const;
  // Appends a member (duplicate keys allowed) with `value` as its value and
  // returns it. On failure (std::bad_alloc) nothing changes and `value` stays unattached.
  TJSONPair Add(WideStringView key, NewItem&& value) const;
};

class TJSONArray : public TJSONValue {
 public:
  using TJSONValue::TJSONValue;
  static bool Accepts(const Node& node) { return node.kind() == Kind::kArray; }

  size_t Count() const;
  TJSONValue Element(size_t index) const;
  // Appends an element and returns it. On failure (std::bad_alloc) nothing
  // changes and `element` stays unattached.
  TJSONValue Add(NewItem&& element) const;
};

class TJSONString : public TJSONValue {
 public:
  using TJSONValue::TJSONValue;
  static bool Accepts(const Node& node) { return node.kind() == Kind::kString || node.kind() == Kind::kNumber; }
  ItemText Text() const { return ItemText(*node_); }
  WideString TextAsWide() const { return json::TextAsWide(*node_); }
};

// A number holds only its text: as written in parsed JSON, or made from a double.
class TJSONNumber : public TJSONString {
 public:
  using TJSONString::TJSONString;
  static bool Accepts(const Node& node) { return node.kind() == Kind::kNumber; }
};

class TJSONBool : public TJSONValue {
 public:
  using TJSONValue::TJSONValue;
  static bool Accepts(const Node& node) { return node.kind() == Kind::kBool; }
  bool Value() const { return node_->bytes[1] != 0; }
};

// True and false behave as any TJSONBool; these views only check the value too.
class TJSONTrue : public TJSONBool {
 public:
  using TJSONBool::TJSONBool;
  static bool Accepts(const Node& node) { return node.kind() == Kind::kBool && node.bytes[1] != 0; }
};

class TJSONFalse : public TJSONBool {
 public:
  using TJSONBool::TJSONBool;
  static bool Accepts(const Node& node) { return node.kind() == Kind::kBool && node.bytes[1] == 0; }
};

class TJSONNull : public TJSONValue {
 public:
  using TJSONValue::TJSONValue;
  static bool Accepts(const Node& node) { return node.kind() == Kind::kNull; }
};

// An object member: its key node, followed in the object's block by its value node.
class TJSONPair : public TJSONAncestor {
 public:
  using TJSONAncestor::TJSONAncestor;
  static bool Accepts(const Node& node) { return node.kind() == Kind::kPair; }
  ItemText Key() const { return ItemText(*node_); }
  WideString KeyAsWide() const { return json::TextAsWide(*node_); }
  TJSONValue Value() const { return TJSONValue(node_ + 1, block_); }
};

// Checked casts by kind: a view of nothing when the item is not a T
// (As<TJSONString> accepts numbers, As<TJSONValue> everything but members).
template <class T>
T As(TJSONAncestor item) {
  return item && T::Accepts(*item.node()) ? T(item.node(), item.block()) : T();
}

// A value made and not yet attached: a leaf, or an empty object or array. It
// owns its text until Add takes it (then it is empty); it can be read through View().
class NewItem {
 public:
  NewItem() = default;
  explicit NewItem(const Node& node) : node_(node), full_(true) {}
  ~NewItem() { Reset(); }
  NewItem(NewItem&& other) noexcept : node_(other.node_), full_(std::exchange(other.full_, false)) {}
  NewItem& operator=(NewItem&& other) noexcept {
    if (this != &other) {
      Reset();
      node_ = other.node_;
      full_ = std::exchange(other.full_, false);
    }
    return *this;
  }

  explicit operator bool() const { return full_; }
  TJSONValue View() { return full_ ? TJSONValue(&node_, nullptr) : TJSONValue(); }
  // Hands the node over (its text goes with it); the item is empty afterwards.
  Node Take() {
    full_ = false;
    return node_;
  }

 private:
  void Reset() noexcept {
    if (full_) ReleaseText(node_);
    full_ = false;
  }
  Node node_{};
  bool full_ = false;
};

NewItem NewObject();
NewItem NewArray();
NewItem NewString(WideStringView text);
// `text` must already be a JSON number; it is stored unchanged.
NewItem NewNumber(WideStringView text);
// A number whose text is `value` in the general number format with "." ("1.5",
// "1E-5", "1E15"). NaN and the infinities have no JSON form: lumetra::Error("Invalid number").
NewItem NumberFromDouble(double value);
NewItem NewBool(bool value);
NewItem NewNull();

// A tree that belongs to no store: it owns its root's block (a block of one
// node) and destroys the whole tree when it goes. Store::AdoptRoot takes it over.
class Tree {
 public:
  Tree() = default;
  explicit Tree(NewItem&& root);
  // Takes over `root_block`, a root block of a finished tree (the reader's).
  explicit Tree(Block* root_block) : block_(root_block) {}
  ~Tree();
  Tree(Tree&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
  Tree& operator=(Tree&& other) noexcept;

  explicit operator bool() const { return block_ != nullptr; }
  TJSONValue Value() const { return block_ ? TJSONValue(block_->nodes(), block_) : TJSONValue(); }
  Block* Release() { return std::exchange(block_, nullptr); }

 private:
  Block* block_ = nullptr;
};

// Destroys what `node` holds (its text, or its container's whole tree) and
// counts `node` and everything below it as gone; the handles of those among
// them that have one die. Without recursion and without allocating. The node
// itself stays where it is, to be dropped by the caller.
void DestroyNode(Node& node) noexcept;

}  // namespace lumetra::json
