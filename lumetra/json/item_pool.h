// The memory of the JSON items: nodes, their texts and their child lists.
// Small blocks (up to kMaxPooledBytes, in steps of kGranuleBytes) are carved
// from slabs of kSlabBytes; a released block goes on the free list of its size
// and serves the next request of that size, so freeing a tree makes its memory
// available to later items at once, and a create/free loop does not grow.
// When the last block is released the slabs go back to the system, except the
// first retained_bytes of them, which the next items are carved from (so a
// loop that creates and frees one document does not hand the same memory to
// the system and fault it back in every time). Larger blocks come from
// operator new directly. Under AddressSanitizer every
// block comes from operator new, so the sanitizer sees each one.
// Part of the store: one pool for the process, used from one thread.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <new>
#include <vector>

// GCC says __SANITIZE_ADDRESS__ under AddressSanitizer; clang says __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define LUMETRA_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LUMETRA_ADDRESS_SANITIZER 1
#endif
#endif

namespace lumetra::json {

class ItemPool {
 public:
  static constexpr size_t kGranuleBytes = 8;
  static constexpr size_t kMaxPooledBytes = 256;
  static constexpr size_t kSlabBytes = size_t{64} << 10;
  static constexpr size_t kRetainedBytes = size_t{16} << 20;
#if defined(LUMETRA_ADDRESS_SANITIZER)
  static constexpr bool kPooled = false;  // every block from operator new
#else
  static constexpr bool kPooled = true;
#endif

  constexpr explicit ItemPool(size_t retained_bytes = kRetainedBytes) : retained_slabs_(retained_bytes / kSlabBytes) {}
  ~ItemPool();  // gives the slabs back when no block is in use
  ItemPool(const ItemPool&) = delete;
  ItemPool& operator=(const ItemPool&) = delete;

  // A block of at least `bytes` bytes, aligned for any item. Throws std::bad_alloc.
  void* Allocate(size_t bytes) {
    if (!kPooled || bytes == 0 || bytes > kMaxPooledBytes) return AllocateLarge(bytes);
    FreeBlock*& head = free_[ClassOf(bytes)];
    void* block = head;
    if (block != nullptr) {
      head = head->next;
    } else {
      const size_t rounded = (ClassOf(bytes) + 1) * kGranuleBytes;
      if (static_cast<size_t>(end_ - next_) < rounded) NewSlab();
      block = next_;
      next_ += rounded;
    }
    ++blocks_in_use_;
    pooled_bytes_in_use_ += (ClassOf(bytes) + 1) * kGranuleBytes;
    return block;
  }

  // Gives back a block from Allocate with the same `bytes`.
  void Release(void* block, size_t bytes) noexcept {
    if (!kPooled || bytes == 0 || bytes > kMaxPooledBytes) return ReleaseLarge(block, bytes);
    FreeBlock*& head = free_[ClassOf(bytes)];
    head = ::new (block) FreeBlock{head};
    pooled_bytes_in_use_ -= (ClassOf(bytes) + 1) * kGranuleBytes;
    if (--blocks_in_use_ == 0) ReleaseSlabs();
  }

  // Blocks handed out and not yet released (pooled or not); bytes of the
  // pooled ones among them (rounded to their size class); bytes held in slabs.
  size_t BlocksInUse() const { return blocks_in_use_; }
  size_t PooledBytesInUse() const { return pooled_bytes_in_use_; }
  size_t SlabBytesHeld() const { return slabs_.size() * kSlabBytes; }

 private:
  struct FreeBlock {
    FreeBlock* next;
  };
  static constexpr size_t kClasses = kMaxPooledBytes / kGranuleBytes;
  // Size class of 1..kMaxPooledBytes bytes: blocks of (class + 1) * kGranuleBytes.
  static constexpr size_t ClassOf(size_t bytes) { return (bytes - 1) / kGranuleBytes; }

  // Starts carving from the next slab, retained or new (the rest of the
  // current one stays unused).
  void NewSlab();
  void* AllocateLarge(size_t bytes);
  void ReleaseLarge(void* block, size_t bytes) noexcept;
  void ReleaseSlabs() noexcept;

  std::array<FreeBlock*, kClasses> free_{};
  std::vector<std::unique_ptr<std::byte[]>> slabs_;
  size_t current_slab_ = 0;    // slabs_[current_slab_ - 1] is carved from; 0: none yet
  std::byte* next_ = nullptr;  // its unused rest
  std::byte* end_ = nullptr;
  size_t blocks_in_use_ = 0;
  size_t pooled_bytes_in_use_ = 0;
  size_t retained_slabs_;
};

namespace detail {
extern constinit ItemPool item_memory;
}  // namespace detail

// The pool of the process. Constant-initialized, so it exists before any item
// and is destroyed after GlobalStore() and every other dynamically made object.
inline ItemPool& ItemMemory() { return detail::item_memory; }

// Allocator for standard containers (child lists) drawing from ItemMemory().
template <class T>
struct PoolAllocator {
  using value_type = T;
  PoolAllocator() = default;
  template <class U>
  PoolAllocator(const PoolAllocator<U>&) noexcept {}
  T* allocate(size_t count) { return static_cast<T*>(ItemMemory().Allocate(count * sizeof(T))); }
  void deallocate(T* block, size_t count) noexcept { ItemMemory().Release(block, count * sizeof(T)); }
  template <class U>
  bool operator==(const PoolAllocator<U>&) const noexcept {
    return true;
  }
};

}  // namespace lumetra::json
