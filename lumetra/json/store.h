// The process-wide store of JSON trees and the handles that name their items.
// The store owns every root; an item gets its handle the first time one is
// asked for and keeps it for life. Handles are in 1..2^31-1; a dead handle
// resolves to nullptr and is not issued again for a long time (about 2^30
// further handles; see docs/json_handles.md). Not thread-safe: one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "lumetra/json/items.h"

namespace lumetra::json {

class Store {
 public:
  Store() = default;
  ~Store();  // frees every remaining root
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  // Takes ownership of a value without owner; returns its handle.
  int64_t AdoptRoot(std::unique_ptr<TJSONValue> root);

  // The item's handle, issued on first use. The item must be a root of this
  // store or lie below one (attach new items first, then ask). Issuing may
  // grow the table, which throws std::bad_alloc when it cannot.
  int64_t HandleOf(TJSONAncestor& item);

  // Makes room for one more handle: the next handle issued allocates nothing
  // and cannot fail. Throws std::bad_alloc. Call it before attaching a new
  // item whose handle is wanted, so that a failure leaves nothing attached.
  void ReserveHandle();

  // The live item named by `handle`; nullptr for 0, out of range, never issued or dead.
  TJSONAncestor* Resolve(int64_t handle) const;

  // Destroys the item and everything it owns; every handle below dies. An
  // owned item is first removed from its owner; a member's value goes together
  // with its member (a member always has a value). An item that is neither a
  // root of this store nor owned is left alone.
  void Free(TJSONAncestor& item);

  size_t RootCount() const { return roots_.size(); }
  size_t LiveHandleCount() const { return live_handles_; }
  // The live handles the table holds before it must grow (half its slots).
  size_t HandleCapacity() const { return slots_.size() / 2; }
  static size_t LiveItemCount() { return TJSONAncestor::LiveCount(); }

 private:
  struct Slot {
    TJSONAncestor* item;
    uint32_t next_handle;  // handle the slot gives its next item (≡ slot index mod size)
    uint32_t next_free;    // free-list link
  };

  void IssueHandle(TJSONAncestor& item);
  void ReleaseHandlesBelow(TJSONAncestor& item);
  void ReleaseHandle(TJSONAncestor& item);
  void Grow();
  void PushFree(uint32_t slot);
  uint32_t Following(uint32_t handle, uint32_t slot_index) const;

  std::unordered_map<const TJSONValue*, std::unique_ptr<TJSONValue>> roots_;
  std::vector<Slot> slots_;  // size is 0 or a power of two
  uint32_t free_head_ = 0;
  uint32_t free_tail_ = 0;
  size_t free_count_ = 0;
  size_t live_handles_ = 0;
};

// The store of the process (global by design: handles are valid for every
// client of the server).
Store& GlobalStore();

}  // namespace lumetra::json
