// The process-wide store of JSON trees and the handles that name their items.
// The store owns every root; an item gets its handle the first time one is
// asked for and keeps it for life, wherever its node moves. Handles are in
// 1..2^31-1; a dead handle resolves to nothing and is not issued again for a
// long time (about 2^30 further handles; see docs/json_handles.md).
// Not thread-safe: one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_set>
#include <vector>

#include "lumetra/json/items.h"

namespace lumetra::json {

class Store {
 public:
  Store();
  ~Store();  // frees every remaining root
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  // Takes ownership of a tree; returns its root's handle. On failure the tree is destroyed.
  int64_t AdoptRoot(Tree root);

  // The item's handle, issued on first use. The item must be a root of this
  // store or lie below one (attach new items first, then ask). Issuing may
  // grow the table, which throws std::bad_alloc when it cannot.
  int64_t HandleOf(TJSONAncestor item);

  // Makes room for one more handle: the next handle issued allocates nothing
  // and cannot fail. Throws std::bad_alloc. Call it before attaching a new
  // item whose handle is wanted, so that a failure leaves nothing attached.
  void ReserveHandle();

  // The live item named by `handle`; nothing for 0, out of range, never issued or dead. O(1).
  TJSONAncestor Resolve(int64_t handle) const;

  // Destroys the item and everything it owns; every handle below dies. An
  // owned item is first taken out of its container; a member's value goes
  // together with its member (a member always has a value). A root that is
  // not this store's, and a detached item, are left alone.
  void Free(TJSONAncestor item);

  size_t RootCount() const { return roots_.size(); }
  size_t LiveHandleCount() const { return live_handles_; }
  // The live handles the table holds before it must grow (half its slots).
  size_t HandleCapacity() const { return slots_.size() / 2; }
  static size_t LiveItemCount() { return TJSONAncestor::LiveCount(); }

 private:
  friend void detail::FollowHandle(const Node* from, Node* to, Block* to_block) noexcept;
  friend void detail::ReleaseHandle(Node& node) noexcept;

  // Slot s of a table of size n only ever issues handles h with h mod n == s.
  struct Slot {
    Node* node;          // the item's node; nullptr while the slot is free
    Block* block;        // the block that holds it
    uint32_t handle;     // the live item's handle, or the next one this slot issues
    uint32_t next_free;  // free-list link
  };
  static constexpr uint32_t kNoEntry = 0;

  void IssueHandle(TJSONAncestor item);
  void Grow();
  void PushFree(uint32_t slot);
  // The index entry of `node` (slot + 1 in index_), nullptr when it has no handle here.
  uint32_t* FindEntry(const Node* node);
  size_t Home(const Node* node) const;
  void InsertEntry(uint32_t slot);
  void EraseEntry(uint32_t* entry);
  bool Follow(const Node* from, Node* to, Block* to_block);
  bool Release(Node& node);

  std::unordered_set<Block*> roots_;
  std::vector<Slot> slots_;      // size is 0 or a power of two
  std::vector<uint32_t> index_;  // node -> slot + 1, open addressing, same size as slots_
  uint32_t free_head_ = 0;
  uint32_t free_tail_ = 0;
  size_t free_count_ = 0;
  size_t live_handles_ = 0;
  Store* next_store_ = nullptr;  // the stores of the process, for moved nodes to find theirs
  Store* previous_store_ = nullptr;
};

// The store of the process (global by design: handles are valid for every
// client of the server).
Store& GlobalStore();

}  // namespace lumetra::json
