// Freeing a tree must not allocate: it runs in destructors (noexcept), where
// running out of memory would end the server. This executable replaces the
// global operator new to count the allocations made while a tree is freed.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "lumetra/json/items.h"

namespace {
std::atomic<bool> g_counting{false};
std::atomic<size_t> g_allocations{0};
}  // namespace

// These replacements pair malloc with free themselves; GCC still takes the
// free for a mismatch with new.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t bytes) {
  if (g_counting.load()) ++g_allocations;
  if (void* block = std::malloc(bytes == 0 ? 1 : bytes)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
#pragma GCC diagnostic pop

namespace lumetra::json {
namespace {

// Counts the global allocations made by `free`.
template <typename Free>
size_t AllocationsWhile(Free free) {
  g_allocations = 0;
  g_counting = true;
  free();
  g_counting = false;
  return g_allocations.load();
}

TEST(FreeWithoutAllocatingTest, DeepTreeOfArraysAndObjects) {
  auto root = std::make_unique<TJSONArray>();
  TJSONAncestor* tip = root.get();
  for (int depth = 0; depth < 100000; ++depth) {
    auto next = std::make_unique<TJSONObject>();
    TJSONObject* inner = next.get();
    if (auto* array = As<TJSONArray>(tip)) {
      array->Add(std::move(next));
    } else {
      static_cast<TJSONObject*>(tip)->Add(u"k", std::move(next));
    }
    auto array = std::make_unique<TJSONArray>();
    TJSONArray* innermost = array.get();
    inner->Add(u"a", std::move(array));
    innermost->Add(TJSONString::Make(u"leaf"));
    tip = innermost;
  }
  const size_t live_before = TJSONAncestor::LiveCount();
  EXPECT_EQ(AllocationsWhile([&] { root.reset(); }), 0u);
  EXPECT_LT(TJSONAncestor::LiveCount(), live_before);
  EXPECT_EQ(TJSONAncestor::LiveCount(), 0u);
}

TEST(FreeWithoutAllocatingTest, WideObjectWithEveryKind) {
  auto root = std::make_unique<TJSONObject>();
  for (int i = 0; i < 10000; ++i) {
    root->Add(u"s", TJSONString::Make(u"text"));
    root->Add(u"n", TJSONNumber::Make(u"12.5"));
    root->Add(u"t", std::make_unique<TJSONTrue>());
    root->Add(u"z", std::make_unique<TJSONNull>());
    auto pair_array = std::make_unique<TJSONArray>();
    pair_array->Add(std::make_unique<TJSONFalse>());
    root->Add(u"a", std::move(pair_array));
  }
  EXPECT_EQ(AllocationsWhile([&] { root.reset(); }), 0u);
  EXPECT_EQ(TJSONAncestor::LiveCount(), 0u);
}

}  // namespace
}  // namespace lumetra::json
