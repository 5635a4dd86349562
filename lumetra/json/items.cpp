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

// Moves what `item` owns out of it: leaves, and members whose value is a leaf,
// are destroyed at once; containers and the other members go to `pending`,
// detached, so no destructor finds children left.
void TJSONAncestor::DetachChildren(TJSONAncestor& item, std::vector<TJSONAncestor*>& pending) {
  auto take = [&pending](TJSONAncestor* child) {
    if (child->IsPair()) {
      auto* pair = static_cast<TJSONPair*>(child);
      if (pair->value_->IsContainer()) {
        pending.push_back(child);
        return;
      }
      delete pair->value_.release();  // a leaf: member and value go at once
    } else if (child->IsContainer()) {
      pending.push_back(child);
      return;
    }
    delete child;
  };
  // Last child first, so `pending` gives them back in text order, which is
  // the order the reader allocated them in; the next ones are asked for early.
  auto take_all = [&take](auto& children) {
    constexpr size_t kAhead = 8;
    for (size_t i = children.size(); i-- > 0;) {
      if (i >= kAhead) __builtin_prefetch(children[i - kAhead].get());
      take(children[i].release());
    }
    children.clear();
  };
  switch (item.kind()) {
    case Kind::kObject:
      take_all(static_cast<TJSONObject&>(item).members_);
      break;
    case Kind::kArray:
      take_all(static_cast<TJSONArray&>(item).elements_);
      break;
    case Kind::kPair:
      take(static_cast<TJSONPair&>(item).value_.release());
      break;
    default:
      break;
  }
}

bool TJSONAncestor::OwnsNothing(const TJSONAncestor& item) {
  switch (item.kind()) {
    case Kind::kObject:
      return static_cast<const TJSONObject&>(item).members_.empty();
    case Kind::kArray:
      return static_cast<const TJSONArray&>(item).elements_.empty();
    case Kind::kPair:
      return static_cast<const TJSONPair&>(item).value_ == nullptr;
    default:
      return true;
  }
}

void TJSONAncestor::DestroyChildren(TJSONAncestor& item) noexcept {
  if (OwnsNothing(item)) return;
  std::vector<TJSONAncestor*> pending;
  DetachChildren(item, pending);
  while (!pending.empty()) {
    TJSONAncestor* next = pending.back();
    pending.pop_back();
    if (pending.size() >= 2) __builtin_prefetch(pending[pending.size() - 2]);
    DetachChildren(*next, pending);
    delete next;
  }
}

TJSONObject::~TJSONObject() { DestroyChildren(*this); }

TJSONPair* TJSONObject::Find(WideStringView name) const {
  for (const auto& member : members_) {
    if (member->Key() == name) return member.get();
  }
  return nullptr;
}

TJSONPair& TJSONObject::Add(WideStringView key, std::unique_ptr<TJSONValue> value) {
  return Add(TJSONPair::Make(key, std::move(value)));
}

TJSONPair& TJSONObject::Add(std::unique_ptr<TJSONPair> member) {
  assert(member && member->owner_ == nullptr);
  members_.push_back(std::move(member));
  TJSONPair& added = *members_.back();
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
  TJSONValue& added = *elements_.back();
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
