#include "lumetra/json/item_pool.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "lumetra/json/reader.h"
#include "lumetra/json/store.h"

namespace lumetra::json {
namespace {

TEST(JsonItemPoolTest, AReleasedBlockServesTheNextRequestOfItsSize) {
  if (!ItemPool::kPooled) GTEST_SKIP() << "blocks come from operator new in sanitizer builds";
  ItemPool pool;
  void* keep = pool.Allocate(40);  // keeps the slab alive
  void* first = pool.Allocate(40);
  pool.Release(first, 40);
  EXPECT_EQ(pool.Allocate(37), first) << "37 and 40 bytes share a size class";
  void* other = pool.Allocate(48);
  EXPECT_NE(other, first);
  pool.Release(other, 48);
  pool.Release(first, 40);
  pool.Release(keep, 40);
  EXPECT_EQ(pool.BlocksInUse(), 0u);
}

TEST(JsonItemPoolTest, SlabsGoBackWhenTheLastBlockIsReleased) {
  ItemPool pool(0);  // retains nothing
  std::vector<std::pair<void*, size_t>> blocks;
  for (size_t i = 0; i < 20'000; ++i) {
    const size_t bytes = 1 + (i * 37) % (ItemPool::kMaxPooledBytes + 100);  // some beyond the pooled sizes
    blocks.emplace_back(pool.Allocate(bytes), bytes);
  }
  EXPECT_EQ(pool.BlocksInUse(), blocks.size());
  if (ItemPool::kPooled) {
    EXPECT_GE(pool.SlabBytesHeld(), 20'000u * 8);
  }
  for (size_t i = 0; i < blocks.size(); i += 2) pool.Release(blocks[i].first, blocks[i].second);
  for (size_t i = 1; i < blocks.size(); i += 2) pool.Release(blocks[i].first, blocks[i].second);
  EXPECT_EQ(pool.BlocksInUse(), 0u);
  EXPECT_EQ(pool.SlabBytesHeld(), 0u);
}

TEST(JsonItemPoolTest, RetainedSlabsServeTheNextItemsOnceAllAreReleased) {
  if (!ItemPool::kPooled) GTEST_SKIP() << "blocks come from operator new in sanitizer builds";
  ItemPool pool(4 * ItemPool::kSlabBytes);
  std::vector<void*> blocks;
  for (int round = 0; round < 3; ++round) {
    for (size_t i = 0; i < 4 * ItemPool::kSlabBytes / 64; ++i) blocks.push_back(pool.Allocate(64));
    EXPECT_EQ(pool.SlabBytesHeld(), 4 * ItemPool::kSlabBytes) << "round " << round;
    void* first = blocks.front();
    for (void* block : blocks) pool.Release(block, 64);
    blocks.clear();
    EXPECT_EQ(pool.SlabBytesHeld(), 4 * ItemPool::kSlabBytes) << "kept for the next items";
    EXPECT_EQ(pool.Allocate(64), first) << "carving starts again at the first slab";
    pool.Release(first, 64);
  }
  for (size_t i = 0; i < 6 * ItemPool::kSlabBytes / 64; ++i) blocks.push_back(pool.Allocate(64));
  EXPECT_EQ(pool.SlabBytesHeld(), 6 * ItemPool::kSlabBytes);
  for (void* block : blocks) pool.Release(block, 64);
  EXPECT_EQ(pool.SlabBytesHeld(), 4 * ItemPool::kSlabBytes) << "only the retained slabs stay";
}

// With other items alive (the pool never empties), reading and freeing the
// same document again and again reuses the memory of the freed trees.
TEST(JsonItemPoolTest, ACreateFreeLoopDoesNotGrow) {
  Store store;
  const int64_t keeper = store.AdoptRoot(ParseJSON(u"{\"kept\":[1,2,3]}"));
  WideString text = u"[";
  for (int i = 0; i < 2000; ++i)
    text += u"{\"id\":" + FromUtf8(std::to_string(i)) + u",\"name\":\"item with a long name\",\"tags\":[\"a\",\"b\"]},";
  text += u"null]";
  const size_t blocks = ItemMemory().BlocksInUse();
  size_t held = 0;
  for (int round = 0; round < 50; ++round) {
    const int64_t root = store.AdoptRoot(ParseJSON(text));
    ASSERT_TRUE(store.Resolve(root));
    store.Free(store.Resolve(root));
    if (round == 0) held = ItemMemory().SlabBytesHeld();
    ASSERT_EQ(ItemMemory().SlabBytesHeld(), held) << "round " << round;
    ASSERT_EQ(ItemMemory().BlocksInUse(), blocks) << "round " << round;
  }
  store.Free(store.Resolve(keeper));
}

}  // namespace
}  // namespace lumetra::json
