#include "lumetra/json/item_pool.h"

namespace lumetra::json {

static_assert(ItemPool::kGranuleBytes >= sizeof(void*) && ItemPool::kGranuleBytes % alignof(void*) == 0);
static_assert(ItemPool::kSlabBytes % ItemPool::kMaxPooledBytes == 0);

constinit ItemPool detail::item_memory;

ItemPool::~ItemPool() {
  // Blocks still in use at process end (items never freed) keep their slabs.
  if (blocks_in_use_ != 0) {
    for (auto& slab : slabs_) static_cast<void>(slab.release());
  }
}

void* ItemPool::AllocateLarge(size_t bytes) {
  void* block = ::operator new(bytes);
  ++blocks_in_use_;
  return block;
}

void ItemPool::ReleaseLarge(void* block, size_t bytes) noexcept {
#if defined(__cpp_sized_deallocation)
  ::operator delete(block, bytes);
#else
  static_cast<void>(bytes);  // clang without -fsized-deallocation has no sized delete
  ::operator delete(block);
#endif
  if (--blocks_in_use_ == 0) ReleaseSlabs();
}

void ItemPool::NewSlab() {
  if (current_slab_ == slabs_.size()) {
    slabs_.push_back(std::make_unique_for_overwrite<std::byte[]>(kSlabBytes));
  }
  next_ = slabs_[current_slab_++].get();
  end_ = next_ + kSlabBytes;
}

// Every block is free: the free lists are dropped and carving starts again
// from the first retained slab. Allocates nothing (the list of slabs keeps its
// capacity, 8 bytes per 64 KiB slab), so freeing items cannot fail.
void ItemPool::ReleaseSlabs() noexcept {
  free_.fill(nullptr);
  if (slabs_.size() > retained_slabs_) slabs_.resize(retained_slabs_);
  current_slab_ = 0;
  next_ = end_ = nullptr;
}

}  // namespace lumetra::json
