// The JSON item kinds. An item is a value (object, array, string, number,
// boolean, null) or an object member (TJSONPair, not a value). Every item knows
// its owner (nullptr for a root or a detached item). Containers own their
// children, only grow (append), and are destroyed iteratively, so a tree of any
// depth can be destroyed without deep recursion. Kind tests are a byte compare.
// Items made with new, their texts and their child lists take their memory
// from ItemMemory() (item_pool.h). Not thread-safe: items are used from one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "lumetra/automation/values/wide_string.h"
#include "lumetra/json/child_list.h"
#include "lumetra/json/item_pool.h"

namespace lumetra::json {

enum class Kind : uint8_t { kObject, kArray, kString, kNumber, kBool, kNull, kPair };

// An immutable text of UTF-16 code units (a string's text, a number's, a
// member's key): in a pool block of its own (empty texts take none), or in
// storage its item provides right behind itself (see InBlock).
class ItemText {
 public:
  // Copies `text` into a block of its own.
  explicit ItemText(WideStringView text);
  // Copies `text` into `storage` (room for text.size() code units), which it does not own.
  ItemText(WideStringView text, char16_t* storage) noexcept;
  ~ItemText();
  ItemText(const ItemText&) = delete;
  ItemText& operator=(const ItemText&) = delete;

  WideStringView View() const { return {data_, size_}; }
  // Bytes of storage this text occupies inside its item's block (0 when it owns its own).
  size_t InBlockBytes() const { return owned_ ? 0 : size_ * sizeof(char16_t); }

 private:
  char16_t* data_ = nullptr;
  uint32_t size_ = 0;
  bool owned_ = true;
};

// Tag of the constructors that put an item's text in the item's own block.
struct InBlock {};

class TJSONAncestor {
 public:
  TJSONAncestor(const TJSONAncestor&) = delete;
  TJSONAncestor& operator=(const TJSONAncestor&) = delete;
  virtual ~TJSONAncestor();

  Kind kind() const { return kind_; }
  bool IsValue() const { return kind_ != Kind::kPair; }
  bool IsPair() const { return kind_ == Kind::kPair; }
  bool IsObject() const { return kind_ == Kind::kObject; }
  bool IsArray() const { return kind_ == Kind::kArray; }
  bool IsContainer() const { return kind_ == Kind::kObject || kind_ == Kind::kArray; }
  bool IsString() const { return kind_ == Kind::kString || kind_ == Kind::kNumber; }  // numbers too
  bool IsNumber() const { return kind_ == Kind::kNumber; }
  bool IsBool() const { return kind_ == Kind::kBool; }  // TJSONBool, TJSONTrue and TJSONFalse
  bool IsNull() const { return kind_ == Kind::kNull; }

  // The object (for a member), array (for an element) or member (for a
  // member's value) that owns this item; nullptr when nothing does.
  TJSONAncestor* owner() const { return owner_; }

  // Items alive in the process, for leak checks in tests.
  static size_t LiveCount() { return live_count_; }

  // Items made with new live in the pool. Strings, numbers and members made
  // by Make carry their text in the same block; delete gives back the whole
  // block, whatever its size.
  static void* operator new(size_t bytes) { return ItemMemory().Allocate(bytes); }
  static void operator delete(TJSONAncestor* item, std::destroying_delete_t) noexcept;
  // Gives back the block of an item whose constructor threw.
  static void operator delete(void* block, size_t bytes) noexcept { ItemMemory().Release(block, bytes); }

 protected:
  explicit TJSONAncestor(Kind kind) : kind_(kind) { ++live_count_; }
  // Destroys everything `item` owns, without recursion and without allocating.
  static void DestroyChildren(TJSONAncestor& item) noexcept;
  // A pool block for an item of `item_bytes` followed by `text`'s code units.
  static void* AllocateWithText(size_t item_bytes, WideStringView text);

 private:
  friend class Store;
  friend class TJSONObject;
  friend class TJSONArray;
  friend class TJSONPair;
  static TJSONAncestor* TakeLastChild(TJSONAncestor& item) noexcept;
  // Bytes of the pool block that holds this item (with its text in-block).
  size_t BlockBytes() const;

  TJSONAncestor* owner_ = nullptr;
  uint32_t handle_ = 0;  // 0 until the store hands one out
  Kind kind_;
  static size_t live_count_;
};

class TJSONValue : public TJSONAncestor {
 public:
  static bool Accepts(Kind kind) { return kind != Kind::kPair; }

 protected:
  using TJSONAncestor::TJSONAncestor;
};

class TJSONPair;

class TJSONObject final : public TJSONValue {
 public:
  static bool Accepts(Kind kind) { return kind == Kind::kObject; }
  TJSONObject() : TJSONValue(Kind::kObject) {}
  ~TJSONObject() override;

  size_t Count() const { return members_.size(); }
  TJSONPair& Member(size_t index) const { return members_[index]; }
  // The first member whose key equals `name` code unit by code unit.
  TJSONPair* Find(WideStringView name) const;
  // Appends a member (duplicate keys allowed) and returns it.
  TJSONPair& Add(WideStringView key, std::unique_ptr<TJSONValue> value);
  // Appends a member made beforehand (owned by nothing) and returns it.
  TJSONPair& Add(std::unique_ptr<TJSONPair> member);
  // Appends members made beforehand (owned by nothing), in order, taking them from the range.
  void Append(std::unique_ptr<TJSONPair>* first, std::unique_ptr<TJSONPair>* last);
  void Reserve(size_t count) { members_.reserve(count); }

 private:
  friend class Store;
  friend class TJSONAncestor;
  ChildList<TJSONPair> members_;
};

class TJSONArray final : public TJSONValue {
 public:
  static bool Accepts(Kind kind) { return kind == Kind::kArray; }
  TJSONArray() : TJSONValue(Kind::kArray) {}
  ~TJSONArray() override;

  size_t Count() const { return elements_.size(); }
  TJSONValue& Element(size_t index) const { return elements_[index]; }
  // Appends an element and returns it.
  TJSONValue& Add(std::unique_ptr<TJSONValue> element);
  // Appends elements made beforehand (owned by nothing), in order, taking them from the range.
  void Append(std::unique_ptr<TJSONValue>* first, std::unique_ptr<TJSONValue>* last);
  void Reserve(size_t count) { elements_.reserve(count); }

 private:
  friend class Store;
  friend class TJSONAncestor;
  ChildList<TJSONValue> elements_;
};

class TJSONString : public TJSONValue {
 public:
  static bool Accepts(Kind kind) { return kind == Kind::kString || kind == Kind::kNumber; }
  explicit TJSONString(WideStringView text) : TJSONValue(Kind::kString), text_(text) {}
  // A string whose text shares the item's pool block: one allocation.
  static std::unique_ptr<TJSONString> Make(WideStringView text);

  WideStringView Text() const { return text_.View(); }

 protected:
  TJSONString(Kind kind, WideStringView text) : TJSONValue(kind), text_(text) {}
  // Only inside a block from AllocateWithText: the text goes right behind the item.
  TJSONString(Kind kind, WideStringView text, InBlock) noexcept
      : TJSONValue(kind), text_(text, reinterpret_cast<char16_t*>(this + 1)) {}

 private:
  friend class TJSONAncestor;
  ItemText text_;
};

// A number holds only its text: as written in parsed JSON, or made from a double.
class TJSONNumber final : public TJSONString {
 public:
  static bool Accepts(Kind kind) { return kind == Kind::kNumber; }
  // `text` must already be a JSON number; it is stored unchanged.
  explicit TJSONNumber(WideStringView text) : TJSONString(Kind::kNumber, text) {}
  // A number whose text shares the item's pool block: one allocation.
  static std::unique_ptr<TJSONNumber> Make(WideStringView text);
  // Text in the general number format with "." ("1.5", "1E-5", "1E15").
  // NaN and the infinities have no JSON form: lumetra::Error("Invalid number").
  static std::unique_ptr<TJSONNumber> FromDouble(double value);

 private:
  TJSONNumber(WideStringView text, InBlock tag) noexcept : TJSONString(Kind::kNumber, text, tag) {}
};

class TJSONBool : public TJSONValue {
 public:
  static bool Accepts(Kind kind) { return kind == Kind::kBool; }
  explicit TJSONBool(bool value) : TJSONValue(Kind::kBool), value_(value) {}

  bool Value() const { return value_; }

 private:
  bool value_;
};

// True and false behave as any TJSONBool; test Value(), not the type.
class TJSONTrue final : public TJSONBool {
 public:
  static bool Accepts(Kind) = delete;
  TJSONTrue() : TJSONBool(true) {}
};

class TJSONFalse final : public TJSONBool {
 public:
  static bool Accepts(Kind) = delete;
  TJSONFalse() : TJSONBool(false) {}
};

class TJSONNull final : public TJSONValue {
 public:
  static bool Accepts(Kind kind) { return kind == Kind::kNull; }
  TJSONNull() : TJSONValue(Kind::kNull) {}
};

// An object member: a key and the value it owns. Always has a value.
class TJSONPair final : public TJSONAncestor {
 public:
  static bool Accepts(Kind kind) { return kind == Kind::kPair; }
  TJSONPair(WideStringView key, std::unique_ptr<TJSONValue> value);
  ~TJSONPair() override;
  // A member whose key shares the item's pool block: one allocation.
  static std::unique_ptr<TJSONPair> Make(WideStringView key, std::unique_ptr<TJSONValue> value);

  WideStringView Key() const { return key_.View(); }
  TJSONValue& Value() const { return *value_; }

 private:
  friend class TJSONAncestor;
  // Only inside a block from AllocateWithText: the key goes right behind the item.
  TJSONPair(WideStringView key, std::unique_ptr<TJSONValue> value, InBlock) noexcept;
  ItemText key_;
  std::unique_ptr<TJSONValue> value_;
};

// Checked downcasts by kind: nullptr when the item is not a T (As<TJSONString>
// accepts numbers, As<TJSONValue> everything but members).
template <class T>
T* As(TJSONAncestor* item) {
  return item && T::Accepts(item->kind()) ? static_cast<T*>(item) : nullptr;
}
template <class T>
const T* As(const TJSONAncestor* item) {
  return item && T::Accepts(item->kind()) ? static_cast<const T*>(item) : nullptr;
}

}  // namespace lumetra::json
