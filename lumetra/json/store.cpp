#include "lumetra/json/store.h"

#include <cassert>
#include <new>

namespace lumetra::json {
namespace {

constexpr uint32_t kMaxHandle = 0x7FFFFFFF;
constexpr uint32_t kFirstTableSize = 64;
constexpr uint32_t kMaxTableSize = 1u << 30;
constexpr uint32_t kNoSlot = 0xFFFFFFFF;

// `candidate` when it is a valid handle, else the smallest handle of the slot.
uint32_t KeepOrWrap(uint64_t candidate, uint32_t slot, uint32_t table_size) {
  if (candidate <= kMaxHandle) return static_cast<uint32_t>(candidate);
  return slot != 0 ? slot : table_size;
}

}  // namespace

Store::~Store() {
  // No walk needed: every handle dies with the table.
  for (Slot& slot : slots_) {
    if (slot.item) slot.item->handle_ = 0;
  }
  roots_.clear();
}

int64_t Store::AdoptRoot(std::unique_ptr<TJSONValue> root) {
  assert(root && root->owner() == nullptr);
  TJSONValue& item = *root;
  roots_.emplace(&item, std::move(root));
  try {
    return HandleOf(item);
  } catch (...) {
    roots_.erase(&item);
    throw;
  }
}

int64_t Store::HandleOf(TJSONAncestor& item) {
  if (item.handle_ == 0) IssueHandle(item);
  return item.handle_;
}

TJSONAncestor* Store::Resolve(int64_t handle) const {
  if (handle < 1 || handle > kMaxHandle || slots_.empty()) return nullptr;
  const Slot& slot = slots_[static_cast<size_t>(handle) & (slots_.size() - 1)];
  return slot.item && slot.item->handle_ == handle ? slot.item : nullptr;
}

void Store::Free(TJSONAncestor& item) {
  TJSONAncestor* owner = item.owner_;
  if (owner == nullptr) {
    auto* value = As<TJSONValue>(&item);
    auto root = value ? roots_.find(value) : roots_.end();
    if (root == roots_.end()) return;
    ReleaseHandlesBelow(item);
    roots_.erase(root);
    return;
  }
  switch (owner->kind()) {
    case Kind::kPair:
      Free(*owner);
      return;
    case Kind::kObject: {
      ReleaseHandlesBelow(item);
      auto doomed = static_cast<TJSONObject*>(owner)->members_.Take(static_cast<TJSONPair&>(item));
      return;
    }
    case Kind::kArray: {
      ReleaseHandlesBelow(item);
      auto doomed = static_cast<TJSONArray*>(owner)->elements_.Take(static_cast<TJSONValue&>(item));
      return;
    }
    default:
      assert(false && "only containers and members own items");
  }
}

void Store::ReleaseHandlesBelow(TJSONAncestor& top) {
  if (live_handles_ == 0) return;
  std::vector<TJSONAncestor*> pending{&top};
  while (!pending.empty() && live_handles_ != 0) {
    TJSONAncestor& item = *pending.back();
    pending.pop_back();
    if (item.handle_ != 0) ReleaseHandle(item);
    if (auto* object = As<TJSONObject>(&item)) {
      for (TJSONPair* member : object->members_) pending.push_back(member);
    } else if (auto* array = As<TJSONArray>(&item)) {
      for (TJSONValue* element : array->elements_) pending.push_back(element);
    } else if (auto* pair = As<TJSONPair>(&item)) {
      pending.push_back(&pair->Value());
    }
  }
}

// Slot s of a table of size n issues only handles h with h mod n == s, so
// Resolve is one index and one compare. A released slot moves on by n and
// joins the back of a FIFO free list; the table is kept at most half full.
void Store::IssueHandle(TJSONAncestor& item) {
  ReserveHandle();
  const uint32_t index = free_head_;
  Slot& slot = slots_[index];
  free_head_ = slot.next_free;
  --free_count_;
  slot.item = &item;
  item.handle_ = slot.next_handle;
  ++live_handles_;
}

void Store::ReserveHandle() {
  if ((live_handles_ + 1) * 2 > slots_.size()) Grow();
}

void Store::ReleaseHandle(TJSONAncestor& item) {
  const uint32_t size = static_cast<uint32_t>(slots_.size());
  const uint32_t index = item.handle_ & (size - 1);
  Slot& slot = slots_[index];
  assert(slot.item == &item);
  slot.item = nullptr;
  slot.next_handle = KeepOrWrap(uint64_t{item.handle_} + size, index, size);
  item.handle_ = 0;
  --live_handles_;
  PushFree(index);
}

void Store::PushFree(uint32_t index) {
  slots_[index].next_free = kNoSlot;
  if (free_count_ == 0) {
    free_head_ = index;
  } else {
    slots_[free_tail_].next_free = index;
  }
  free_tail_ = index;
  ++free_count_;
}

// Doubling splits each slot s into s and s + old size. Both continue the
// handle sequence of s from where it stood, so no recently dead handle comes
// back early.
void Store::Grow() {
  const uint32_t old_size = static_cast<uint32_t>(slots_.size());
  const uint32_t size = old_size == 0 ? kFirstTableSize : old_size * 2;
  if (size > kMaxTableSize) throw std::bad_alloc();
  std::vector<Slot> grown(size, Slot{nullptr, 0, kNoSlot});
  if (old_size == 0) {
    for (uint32_t i = 0; i < size; ++i) grown[i].next_handle = i != 0 ? i : size;
  } else {
    for (uint32_t i = 0; i < old_size; ++i) {
      const Slot& old = slots_[i];
      const uint32_t current = old.item ? old.item->handle_ : old.next_handle;
      const uint32_t same = current & (size - 1);
      const uint32_t sibling = same ^ old_size;
      grown[sibling].next_handle = KeepOrWrap(uint64_t{current} + old_size, sibling, size);
      if (old.item) {
        grown[same].item = old.item;
        grown[same].next_handle = KeepOrWrap(uint64_t{current} + size, same, size);
      } else {
        grown[same].next_handle = current;
      }
    }
  }
  slots_ = std::move(grown);
  free_count_ = 0;
  for (uint32_t i = 0; i < size; ++i) {
    if (!slots_[i].item) PushFree(i);
  }
}

Store& GlobalStore() {
  static Store store;
  return store;
}

}  // namespace lumetra::json
