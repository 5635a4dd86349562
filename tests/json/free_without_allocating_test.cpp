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
  auto root = std::make_unique<Tree>(NewArray());
  TJSONValue tip = root->Value();
  for (int depth = 0; depth < 100000; ++depth) {
    TJSONObject inner;
    if (const auto array = As<TJSONArray>(tip)) {
      inner = As<TJSONObject>(array.Add(NewObject()));
    } else {
      inner = As<TJSONObject>(As<TJSONObject>(tip).Add(u"k", NewObject()).Value());
    }
    const auto innermost = As<TJSONArray>(inner.Add(u"a", NewArray()).Value());
    innermost.Add(NewString(u"leaf"));
    tip = innermost;
  }
  const size_t live_before = TJSONAncestor::LiveCount();
  EXPECT_EQ(AllocationsWhile([&] { root.reset(); }), 0u);
  EXPECT_LT(TJSONAncestor::LiveCount(), live_before);
  EXPECT_EQ(TJSONAncestor::LiveCount(), 0u);
}

TEST(FreeWithoutAllocatingTest, WideObjectWithEveryKind) {
  auto root = std::make_unique<Tree>(NewObject());
  const auto object = As<TJSONObject>(root->Value());
  for (int i = 0; i < 10000; ++i) {
    object.Add(u"s", NewString(u"text"));
    object.Add(u"long string", NewString(u"a text too long to be kept inline"));
    object.Add(u"n", NewNumber(u"12.5"));
    object.Add(u"t", NewBool(true));
    object.Add(u"z", NewNull());
    const auto pair_array = As<TJSONArray>(object.Add(u"a", NewArray()).Value());
    pair_array.Add(NewBool(false));
  }
  EXPECT_EQ(AllocationsWhile([&] { root.reset(); }), 0u);
  EXPECT_EQ(TJSONAncestor::LiveCount(), 0u);
}

}  // namespace
}  // namespace lumetra::json
