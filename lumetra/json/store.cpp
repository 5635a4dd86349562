#include "lumetra/json/store.h"

#include <bit>
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

// The stores of the process, so that a moved or destroyed node with a handle
// finds the one that holds it (in the server there is one; tests make more).
Store* g_first_store = nullptr;

}  // namespace

void detail::FollowHandle(const Node* from, Node* to, Block* to_block) noexcept {
  for (Store* store = g_first_store; store != nullptr; store = store->next_store_) {
    if (store->Follow(from, to, to_block)) return;
  }
  assert(false && "a node with a handle belongs to a store");
}

void detail::ReleaseHandle(Node& node) noexcept {
  for (Store* store = g_first_store; store != nullptr; store = store->next_store_) {
    if (store->Release(node)) return;
  }
  assert(false && "a node with a handle belongs to a store");
}

Store::Store() : next_store_(g_first_store) {
  if (next_store_) next_store_->previous_store_ = this;
  g_first_store = this;
}

Store::~Store() {
  // No handle needs to die one by one: the table goes.
  for (Slot& slot : slots_) {
    if (slot.node) slot.node->set_has_handle(false);
  }
  detail::live_handles -= live_handles_;
  live_handles_ = 0;
  for (Block* root : roots_) {
    DestroyNode(root->nodes()[0]);
    root->Release();
  }
  roots_.clear();
  if (previous_store_) {
    previous_store_->next_store_ = next_store_;
  } else {
    g_first_store = next_store_;
  }
  if (next_store_) next_store_->previous_store_ = previous_store_;
}

int64_t Store::AdoptRoot(Tree root) {
  assert(root);
  ReserveHandle();
  Block* block = root.Value().block();
  roots_.insert(block);
  root.Release();
  return HandleOf(TJSONAncestor(block->nodes(), block));
}

int64_t Store::HandleOf(TJSONAncestor item) {
  Node* node = item.node();
  if (!node->has_handle()) IssueHandle(item);
  const uint32_t* entry = FindEntry(node);
  assert(entry != nullptr && "the item belongs to this store");
  return slots_[*entry - 1].handle;
}

TJSONAncestor Store::Resolve(int64_t handle) const {
  if (handle < 1 || handle > kMaxHandle || slots_.empty()) return TJSONAncestor();
  const Slot& slot = slots_[static_cast<size_t>(handle) & (slots_.size() - 1)];
  return slot.node && slot.handle == handle ? TJSONAncestor(slot.node, slot.block) : TJSONAncestor();
}

void Store::Free(TJSONAncestor item) {
  Node* node = item.node();
  Block* block = item.block();
  if (node == nullptr || block == nullptr) return;
  const auto index = static_cast<uint32_t>(node - block->nodes());
  switch (block->kind) {
    case BlockKind::kRoot: {
      auto root = roots_.find(block);
      if (root == roots_.end()) return;
      roots_.erase(root);
      DestroyNode(*node);
      block->Release();
      return;
    }
    case BlockKind::kArray:
      DestroyNode(*node);
      TakeOutNodes(*block, index, 1);
      return;
    case BlockKind::kObject: {
      // Key nodes stand at even places (begin is always even); a value goes with its key.
      const uint32_t key = index - (index - block->begin) % 2;
      DestroyNode(block->nodes()[key]);
      DestroyNode(block->nodes()[key + 1]);
      TakeOutNodes(*block, key, 2);
      return;
    }
  }
}

size_t Store::Home(const Node* node) const {
  const uint64_t mixed = (static_cast<uint64_t>(reinterpret_cast<uintptr_t>(node)) >> 4) * 0x9E3779B97F4A7C15u;
  return static_cast<size_t>(mixed >> (64 - std::countr_zero(index_.size())));
}

uint32_t* Store::FindEntry(const Node* node) {
  if (index_.empty()) return nullptr;
  const size_t mask = index_.size() - 1;
  for (size_t i = Home(node);; i = (i + 1) & mask) {
    if (index_[i] == kNoEntry) return nullptr;
    if (slots_[index_[i] - 1].node == node) return &index_[i];
  }
}

void Store::InsertEntry(uint32_t slot) {
  const size_t mask = index_.size() - 1;
  size_t i = Home(slots_[slot].node);
  while (index_[i] != kNoEntry) i = (i + 1) & mask;
  index_[i] = slot + 1;
}

// Linear probing without tombstones: the entries after the erased one move
// back when their home allows it, so every entry stays reachable from its home.
void Store::EraseEntry(uint32_t* entry) {
  const size_t mask = index_.size() - 1;
  size_t hole = static_cast<size_t>(entry - index_.data());
  for (size_t i = (hole + 1) & mask; index_[i] != kNoEntry; i = (i + 1) & mask) {
    const size_t home = Home(slots_[index_[i] - 1].node);
    // The entry at i may fill the hole unless its home lies cyclically in (hole, i].
    const bool stays = hole < i ? (home > hole && home <= i) : (home > hole || home <= i);
    if (!stays) {
      index_[hole] = index_[i];
      hole = i;
    }
  }
  index_[hole] = kNoEntry;
}

// Two entries may name `from` for a moment (a shift moved a neighbour there
// and this node is still to follow): the older is this node's, and it is the
// one found, because an insert goes behind every entry on its probe path and
// deleting by moving back keeps entries of one home in their order.
bool Store::Follow(const Node* from, Node* to, Block* to_block) {
  uint32_t* entry = FindEntry(from);
  if (entry == nullptr) return false;
  const uint32_t slot = *entry - 1;
  EraseEntry(entry);
  slots_[slot].node = to;
  slots_[slot].block = to_block;
  InsertEntry(slot);
  return true;
}

bool Store::Release(Node& node) {
  uint32_t* entry = FindEntry(&node);
  if (entry == nullptr) return false;
  const uint32_t index = *entry - 1;
  EraseEntry(entry);
  const auto size = static_cast<uint32_t>(slots_.size());
  Slot& slot = slots_[index];
  slot.node = nullptr;
  slot.block = nullptr;
  slot.handle = KeepOrWrap(uint64_t{slot.handle} + size, index, size);
  node.set_has_handle(false);
  --live_handles_;
  --detail::live_handles;
  PushFree(index);
  return true;
}

// Slot s of a table of size n issues only handles h with h mod n == s, so
// Resolve is one index and one compare. A released slot moves on by n and
// joins the back of a FIFO free list; the table is kept at most half full.
void Store::IssueHandle(TJSONAncestor item) {
  ReserveHandle();
  const uint32_t index = free_head_;
  Slot& slot = slots_[index];
  free_head_ = slot.next_free;
  --free_count_;
  slot.node = item.node();
  slot.block = item.block();
  item.node()->set_has_handle(true);
  InsertEntry(index);
  ++live_handles_;
  ++detail::live_handles;
}

void Store::ReserveHandle() {
  if ((live_handles_ + 1) * 2 > slots_.size()) Grow();
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
// back early. The index is built anew at the same size.
void Store::Grow() {
  const auto old_size = static_cast<uint32_t>(slots_.size());
  const uint32_t size = old_size == 0 ? kFirstTableSize : old_size * 2;
  if (size > kMaxTableSize) throw std::bad_alloc();
  std::vector<Slot> grown(size, Slot{nullptr, nullptr, 0, kNoSlot});
  std::vector<uint32_t> index(size, kNoEntry);
  if (old_size == 0) {
    for (uint32_t i = 0; i < size; ++i) grown[i].handle = i != 0 ? i : size;
  } else {
    for (uint32_t i = 0; i < old_size; ++i) {
      const Slot& old = slots_[i];
      const uint32_t current = old.handle;
      const uint32_t same = current & (size - 1);
      const uint32_t sibling = same ^ old_size;
      grown[sibling].handle = KeepOrWrap(uint64_t{current} + old_size, sibling, size);
      if (old.node) {
        grown[same].node = old.node;
        grown[same].block = old.block;
        grown[same].handle = current;
      } else {
        grown[same].handle = current;
      }
    }
  }
  slots_ = std::move(grown);
  index_ = std::move(index);
  free_count_ = 0;
  for (uint32_t i = 0; i < size; ++i) {
    if (slots_[i].node) {
      InsertEntry(i);
    } else {
      PushFree(i);
    }
  }
}

Store& GlobalStore() {
  static Store store;
  return store;
}

}  // namespace lumetra::json
