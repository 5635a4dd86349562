// The JSON item kinds. An item is a value (object, array, string, number,
// boolean, null) or an object member (TJSONPair, not a value). Every item knows
// its owner (nullptr for a root or a detached item). Containers own their
// children, only grow (append), and are destroyed iteratively, so a tree of any
// depth can be destroyed without deep recursion. Kind tests are a byte compare.
// Not thread-safe: items are used from one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "lumetra/automation/wide_string.h"

namespace lumetra::json {

enum class Kind : uint8_t { kObject, kArray, kString, kNumber, kBool, kNull, kPair };

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

 protected:
  explicit TJSONAncestor(Kind kind) : kind_(kind) { ++live_count_; }
  // Destroys everything `item` owns with an explicit stack instead of recursion.
  static void DestroyChildren(TJSONAncestor& item) noexcept;

 private:
  friend class Store;
  friend class TJSONObject;
  friend class TJSONArray;
  friend class TJSONPair;
  static void TakeChildren(TJSONAncestor& item, std::vector<std::unique_ptr<TJSONAncestor>>& deep);

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
  TJSONPair& Member(size_t index) const { return *members_[index]; }
  // The first member whose key equals `name` code unit by code unit.
  TJSONPair* Find(WideStringView name) const;
  // Appends a member (duplicate keys allowed) and returns it.
  TJSONPair& Add(WideString key, std::unique_ptr<TJSONValue> value);
  void Reserve(size_t count) { members_.reserve(count); }

 private:
  friend class Store;
  friend class TJSONAncestor;
  std::vector<std::unique_ptr<TJSONPair>> members_;
};

class TJSONArray final : public TJSONValue {
 public:
  static bool Accepts(Kind kind) { return kind == Kind::kArray; }
  TJSONArray() : TJSONValue(Kind::kArray) {}
  ~TJSONArray() override;

  size_t Count() const { return elements_.size(); }
  TJSONValue& Element(size_t index) const { return *elements_[index]; }
  // Appends an element and returns it.
  TJSONValue& Add(std::unique_ptr<TJSONValue> element);
  void Reserve(size_t count) { elements_.reserve(count); }

 private:
  friend class Store;
  friend class TJSONAncestor;
  std::vector<std::unique_ptr<TJSONValue>> elements_;
};

class TJSONString : public TJSONValue {
 public:
  static bool Accepts(Kind kind) { return kind == Kind::kString || kind == Kind::kNumber; }
  explicit TJSONString(WideString text) : TJSONValue(Kind::kString), text_(std::move(text)) {}

  const WideString& Text() const { return text_; }

 protected:
  TJSONString(Kind kind, WideString text) : TJSONValue(kind), text_(std::move(text)) {}

 private:
  WideString text_;
};

// A number holds only its text: as written in parsed JSON, or made from a double.
class TJSONNumber final : public TJSONString {
 public:
  static bool Accepts(Kind kind) { return kind == Kind::kNumber; }
  // `text` must already be a JSON number; it is stored unchanged.
  explicit TJSONNumber(WideString text) : TJSONString(Kind::kNumber, std::move(text)) {}
  // Text in the general number format with "." ("1.5", "1E-5", "1E15").
  // NaN and the infinities have no JSON form: lumetra::Error("Invalid number").
  static std::unique_ptr<TJSONNumber> FromDouble(double value);
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
  TJSONPair(WideString key, std::unique_ptr<TJSONValue> value);
  ~TJSONPair() override;

  const WideString& Key() const { return key_; }
  TJSONValue& Value() const { return *value_; }

 private:
  friend class TJSONAncestor;
  WideString key_;
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
