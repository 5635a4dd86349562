#include "lumetra/json/items.h"

#include <cassert>
#include <cmath>

#include "lumetra/automation/errors.h"
#include "lumetra/automation/number_format.h"

namespace lumetra::json {

size_t TJSONAncestor::live_count_ = 0;

TJSONAncestor::~TJSONAncestor() {
  assert(handle_ == 0 && "an item with a handle is destroyed only through its store");
  --live_count_;
}

namespace {

// True when destroying the item runs no container loop of its own that could
// nest: leaves, empty containers, and members whose value is one of these.
bool IsShallow(const TJSONAncestor& item) {
  if (const auto* pair = As<TJSONPair>(&item)) return IsShallow(pair->Value());
  if (const auto* object = As<TJSONObject>(&item)) return object->Count() == 0;
  if (const auto* array = As<TJSONArray>(&item)) return array->Count() == 0;
  return true;
}

}  // namespace

// Moves the children that have children of their own to `deep`; the others
// are destroyed right away (their destructors do not nest).
void TJSONAncestor::TakeChildren(TJSONAncestor& item,
                                 std::vector<std::unique_ptr<TJSONAncestor>>& deep) {
  auto take = [&deep](auto& child) {
    if (!child) return;  // a member's value already taken
    if (!IsShallow(*child)) deep.push_back(std::move(child));
    child.reset();
  };
  switch (item.kind()) {
    case Kind::kObject: {
      auto& members = static_cast<TJSONObject&>(item).members_;
      for (auto& member : members) take(member);
      members.clear();
      break;
    }
    case Kind::kArray: {
      auto& elements = static_cast<TJSONArray&>(item).elements_;
      for (auto& element : elements) take(element);
      elements.clear();
      break;
    }
    case Kind::kPair:
      take(static_cast<TJSONPair&>(item).value_);
      break;
    default:
      break;
  }
}

void TJSONAncestor::DestroyChildren(TJSONAncestor& item) noexcept {
  std::vector<std::unique_ptr<TJSONAncestor>> deep;
  TakeChildren(item, deep);
  while (!deep.empty()) {
    std::unique_ptr<TJSONAncestor> next = std::move(deep.back());
    deep.pop_back();
    TakeChildren(*next, deep);
  }
}

TJSONObject::~TJSONObject() { DestroyChildren(*this); }

TJSONPair* TJSONObject::Find(WideStringView name) const {
  for (const auto& member : members_) {
    if (member->Key() == name) return member.get();
  }
  return nullptr;
}

TJSONPair& TJSONObject::Add(WideString key, std::unique_ptr<TJSONValue> value) {
  auto member = std::make_unique<TJSONPair>(std::move(key), std::move(value));
  members_.push_back(std::move(member));
  TJSONPair& added = *members_.back();
  added.owner_ = this;
  return added;
}

TJSONArray::~TJSONArray() { DestroyChildren(*this); }

TJSONValue& TJSONArray::Add(std::unique_ptr<TJSONValue> element) {
  assert(element && element->owner_ == nullptr);
  elements_.push_back(std::move(element));
  TJSONValue& added = *elements_.back();
  added.owner_ = this;
  return added;
}

TJSONPair::TJSONPair(WideString key, std::unique_ptr<TJSONValue> value)
    : TJSONAncestor(Kind::kPair), key_(std::move(key)), value_(std::move(value)) {
  assert(value_ && value_->owner_ == nullptr);
  value_->owner_ = this;
}

TJSONPair::~TJSONPair() { DestroyChildren(*this); }

std::unique_ptr<TJSONNumber> TJSONNumber::FromDouble(double value) {
  if (!std::isfinite(value)) throw Error("Invalid number");
  return std::make_unique<TJSONNumber>(FormatGeneralNumber(value, u'.'));
}

}  // namespace lumetra::json
