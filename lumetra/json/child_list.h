// The ordered children of a container: owning pointers in one block from
// ItemMemory(). The children occupy [begin, end) of the block, so taking one
// out moves only the children on the shorter side of it: taking the first or
// the last is O(1), whatever the length, and a loop that frees the elements
// of an array in order, or in reverse, costs O(1) per element. Index access
// is direct. The list owns its children but does not destroy them: the
// owning item takes them out first (pop_back), without recursion.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "lumetra/json/item_pool.h"

namespace lumetra::json {

template <class T>
class ChildList {
 public:
  ChildList() = default;
  ~ChildList() {
    assert(empty() && "the owner takes its children out first");
    if (slots_ != nullptr) ItemMemory().Release(slots_, capacity_ * sizeof(T*));
  }
  ChildList(const ChildList&) = delete;
  ChildList& operator=(const ChildList&) = delete;

  size_t size() const { return end_ - begin_; }
  bool empty() const { return begin_ == end_; }
  T& operator[](size_t index) const { return *slots_[begin_ + index]; }
  T& back() const { return *slots_[end_ - 1]; }
  T* const* begin() const { return slots_ + begin_; }
  T* const* end() const { return slots_ + end_; }

  // Room for `count` children in all, so that appending up to there cannot fail.
  void reserve(size_t count) {
    if (count > capacity_ - begin_) Reallocate(count);
  }

  // Appends `child` and takes ownership; on failure nothing changes.
  void push_back(std::unique_ptr<T> child) {
    if (end_ == capacity_) Grow();
    slots_[end_++] = child.release();
  }

  // Takes out the last child; the list must not be empty.
  std::unique_ptr<T> pop_back() noexcept {
    assert(!empty());
    std::unique_ptr<T> last(slots_[--end_]);
    if (empty()) begin_ = end_ = 0;
    return last;
  }

  // Takes `child` out, keeping the order of the others. It is looked for from
  // both ends at once and the shorter side moves up by one:
  // O(min(position, size - position)). The child must be in the list.
  std::unique_ptr<T> Take(const T& child) noexcept {
    size_t front = begin_;
    size_t back = end_ - 1;
    while (slots_[front] != &child && slots_[back] != &child) {
      ++front;
      --back;
      assert(front <= end_ && back >= begin_);
    }
    std::unique_ptr<T> taken;
    if (slots_[front] == &child) {
      taken.reset(slots_[front]);
      std::memmove(slots_ + begin_ + 1, slots_ + begin_, (front - begin_) * sizeof(T*));
      ++begin_;
    } else {
      taken.reset(slots_[back]);
      std::memmove(slots_ + back, slots_ + back + 1, (end_ - back - 1) * sizeof(T*));
      --end_;
    }
    if (empty()) begin_ = end_ = 0;
    return taken;
  }

 private:
  // Makes room at the end: slides the children to the front of the block when
  // at least half of it lies free before them, else doubles the block.
  void Grow() {
    if (begin_ != 0 && begin_ >= capacity_ / 2) {
      std::memmove(slots_, slots_ + begin_, size() * sizeof(T*));
      end_ -= begin_;
      begin_ = 0;
      return;
    }
    Reallocate(size() < 2 ? 4 : size() * 2);
  }

  // A block for `count` children (at least size()), the children at its front.
  void Reallocate(size_t count) {
    if (count > UINT32_MAX) throw std::bad_alloc();
    auto* slots = static_cast<T**>(ItemMemory().Allocate(count * sizeof(T*)));
    if (slots_ != nullptr) {
      std::memcpy(slots, slots_ + begin_, size() * sizeof(T*));
      ItemMemory().Release(slots_, capacity_ * sizeof(T*));
    }
    end_ -= begin_;
    begin_ = 0;
    slots_ = slots;
    capacity_ = static_cast<uint32_t>(count);
  }

  T** slots_ = nullptr;
  uint32_t begin_ = 0;  // children in slots_[begin_, end_)
  uint32_t end_ = 0;
  uint32_t capacity_ = 0;
};

}  // namespace lumetra::json
