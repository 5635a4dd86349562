#include "lumetra/json/items.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <utility>

#include "lumetra/automation/values/errors.h"
#include "lumetra/automation/values/number_format.h"

namespace lumetra::json {

size_t TJSONAncestor::live_count_ = 0;

ItemText::ItemText(WideStringView text) : size_(static_cast<uint32_t>(text.size())) {
  if (text.empty()) return;
  data_ = static_cast<char16_t*>(ItemMemory().Allocate(text.size() * sizeof(char16_t)));
  std::copy(text.begin(), text.end(), data_);
}

ItemText::ItemText(WideStringView text, char16_t* storage) noexcept
    : data_(storage), size_(static_cast<uint32_t>(text.size())), owned_(false) {
  std::copy(text.begin(), text.end(), data_);
}

ItemText::~ItemText() {
  if (owned_ && data_ != nullptr) ItemMemory().Release(data_, size_ * sizeof(char16_t));
}

void* TJSONAncestor::AllocateWithText(size_t item_bytes, WideStringView text) {
  if (text.size() > UINT32_MAX) throw std::bad_alloc();
  return ItemMemory().Allocate(item_bytes + text.size() * sizeof(char16_t));
}

TJSONAncestor::~TJSONAncestor() {
  assert(handle_ == 0 && "an item with a handle is destroyed only through its store");
  --live_count_;
}

void TJSONAncestor::operator delete(TJSONAncestor* item, std::destroying_delete_t) noexcept {
  const size_t bytes = item->BlockBytes();
  item->~TJSONAncestor();
  ItemMemory().Release(item, bytes);
}

size_t TJSONAncestor::BlockBytes() const {
  static_assert(sizeof(TJSONNumber) == sizeof(TJSONString));
  static_assert(sizeof(TJSONTrue) == sizeof(TJSONBool) && sizeof(TJSONFalse) == sizeof(TJSONBool));
  switch (kind_) {
    case Kind::kObject:
      return sizeof(TJSONObject);
    case Kind::kArray:
      return sizeof(TJSONArray);
    case Kind::kString:
    case Kind::kNumber:
      return sizeof(TJSONString) + static_cast<const TJSONString*>(this)->text_.InBlockBytes();
    case Kind::kBool:
      return sizeof(TJSONBool);
    case Kind::kNull:
      return sizeof(TJSONNull);
    case Kind::kPair:
      return sizeof(TJSONPair) + static_cast<const TJSONPair*>(this)->key_.InBlockBytes();
  }
  return 0;
}

std::unique_ptr<TJSONString> TJSONString::Make(WideStringView text) {
  void* block = AllocateWithText(sizeof(TJSONString), text);
  return std::unique_ptr<TJSONString>(::new (block) TJSONString(Kind::kString, text, InBlock{}));
}

std::unique_ptr<TJSONNumber> TJSONNumber::Make(WideStringView text) {
  void* block = AllocateWithText(sizeof(TJSONNumber), text);
  return std::unique_ptr<TJSONNumber>(::new (block) TJSONNumber(text, InBlock{}));
}

std::unique_ptr<TJSONPair> TJSONPair::Make(WideStringView key, std::unique_ptr<TJSONValue> value) {
  void* block = AllocateWithText(sizeof(TJSONPair), key);
  return std::unique_ptr<TJSONPair>(::new (block) TJSONPair(key, std::move(value), InBlock{}));
}

// Takes the last child out of `item` (a member, an element or a member's
// value); nullptr when it owns nothing. The child keeps `item` as its owner,
// which is the way back up for DestroyChildren.
TJSONAncestor* TJSONAncestor::TakeLastChild(TJSONAncestor& item) noexcept {
  const auto take_last = [](auto& children) -> TJSONAncestor* {
    if (children.empty()) return nullptr;
    TJSONAncestor* child = children.pop_back().release();
    if (!children.empty()) __builtin_prefetch(&children.back());
    return child;
  };
  switch (item.kind()) {
    case Kind::kObject:
      return take_last(static_cast<TJSONObject&>(item).members_);
    case Kind::kArray:
      return take_last(static_cast<TJSONArray&>(item).elements_);
    case Kind::kPair:
      return static_cast<TJSONPair&>(item).value_.release();
    default:
      return nullptr;
  }
}

// Depth first along the owner links: no stack and no allocation, so freeing
// a tree of any depth or size cannot fail. An item is deleted only once it
// owns nothing, so its own destructor finds no children.
void TJSONAncestor::DestroyChildren(TJSONAncestor& item) noexcept {
  TJSONAncestor* current = &item;
  for (;;) {
    if (TJSONAncestor* child = TakeLastChild(*current)) {
      assert(child->owner_ == current);
      current = child;
      continue;
    }
    if (current == &item) return;
    TJSONAncestor* owner = current->owner_;
    delete current;
    current = owner;
  }
}

TJSONObject::~TJSONObject() { DestroyChildren(*this); }

TJSONPair* TJSONObject::Find(WideStringView name) const {
  for (TJSONPair* member : members_) {
    if (member->Key() == name) return member;
  }
  return nullptr;
}

TJSONPair& TJSONObject::Add(WideStringView key, std::unique_ptr<TJSONValue> value) {
  return Add(TJSONPair::Make(key, std::move(value)));
}

TJSONPair& TJSONObject::Add(std::unique_ptr<TJSONPair> member) {
  assert(member && member->owner_ == nullptr);
  members_.push_back(std::move(member));
  TJSONPair& added = members_.back();
  added.owner_ = this;
  return added;
}

void TJSONObject::Append(std::unique_ptr<TJSONPair>* first, std::unique_ptr<TJSONPair>* last) {
  members_.reserve(members_.size() + static_cast<size_t>(last - first));
  for (; first != last; ++first) {
    assert(*first && (*first)->owner_ == nullptr);
    (*first)->owner_ = this;
    members_.push_back(std::move(*first));
  }
}

void TJSONArray::Append(std::unique_ptr<TJSONValue>* first, std::unique_ptr<TJSONValue>* last) {
  elements_.reserve(elements_.size() + static_cast<size_t>(last - first));
  for (; first != last; ++first) {
    assert(*first && (*first)->owner_ == nullptr);
    (*first)->owner_ = this;
    elements_.push_back(std::move(*first));
  }
}

TJSONArray::~TJSONArray() { DestroyChildren(*this); }

TJSONValue& TJSONArray::Add(std::unique_ptr<TJSONValue> element) {
  assert(element && element->owner_ == nullptr);
  elements_.push_back(std::move(element));
  TJSONValue& added = elements_.back();
  added.owner_ = this;
  return added;
}

TJSONPair::TJSONPair(WideStringView key, std::unique_ptr<TJSONValue> value)
    : TJSONAncestor(Kind::kPair), key_(key), value_(std::move(value)) {
  assert(value_ && value_->owner_ == nullptr);
  value_->owner_ = this;
}

TJSONPair::TJSONPair(WideStringView key, std::unique_ptr<TJSONValue> value, InBlock) noexcept
    : TJSONAncestor(Kind::kPair), key_(key, reinterpret_cast<char16_t*>(this + 1)), value_(std::move(value)) {
  assert(value_ && value_->owner_ == nullptr);
  value_->owner_ = this;
}

TJSONPair::~TJSONPair() { DestroyChildren(*this); }

std::unique_ptr<TJSONNumber> TJSONNumber::FromDouble(double value) {
  if (!std::isfinite(value)) throw Error("Invalid number");
  return Make(FormatGeneralNumber(value, u'.'));
}

}  // namespace lumetra::json
