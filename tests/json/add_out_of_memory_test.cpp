// A method that adds an item and fails must change nothing a client can see.
// This executable replaces the global operator new to fail the n-th
// allocation of a call, for every n until the call succeeds, with the handle
// table full so that issuing the new item's handle must allocate too.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "lumetra/automation/values/variant_convert.h"
#include "lumetra/json/json_methods.h"
#include "lumetra/json/store.h"

namespace {
std::atomic<bool> g_armed{false};
std::atomic<size_t> g_until_failure{0};  // allocations left before the one that fails
}  // namespace

// These replacements pair malloc with free themselves; GCC still takes the
// free for a mismatch with new.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t bytes) {
  if (g_armed.load()) {
    if (g_until_failure.load() == 0) throw std::bad_alloc();
    --g_until_failure;
  }
  if (void* block = std::malloc(bytes == 0 ? 1 : bytes)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
#pragma GCC diagnostic pop

namespace lumetra::json {
namespace {

Variant Create(const std::u16string& text) {
  Variant handle;
  JSONCreate(text, handle);
  return handle;
}

std::string Text(const Variant& handle) {
  WideString text;
  JSONFormat(handle, text);
  return ToUtf8(text);
}

int32_t Count(const Variant& handle) {
  Variant count;
  JSONCount(handle, count);
  return static_cast<int32_t>(VariantToInt64(count));
}

// Fills the handle table to its capacity with the handles of small roots, so
// that the next handle issued grows the table; frees them at the end.
class FullTable {
 public:
  FullTable() {
    while (GlobalStore().LiveHandleCount() < GlobalStore().HandleCapacity() || GlobalStore().HandleCapacity() == 0) {
      fillers_.push_back(Create(u"0"));
    }
  }
  ~FullTable() {
    for (const Variant& filler : fillers_) JSONFree(filler);
  }

 private:
  std::vector<Variant> fillers_;
};

// Runs `add` with the n-th allocation failing, n = 0, 1, ... until it
// succeeds. After every failed call (a 0 result) the document's text, the
// count of `container` and the store's roots and handles must be as before.
// Returns the number of failed calls.
int FailEachAllocationOf(const Variant& document, const Variant& container, const std::function<void(Variant&)>& add) {
  const std::string text = Text(document);
  const int32_t count = Count(container);
  for (int n = 0; n < 1000; ++n) {
    FullTable full;
    const size_t roots = GlobalStore().RootCount();
    const size_t handles = GlobalStore().LiveHandleCount();
    Variant out;
    g_until_failure = static_cast<size_t>(n);
    g_armed = true;
    add(out);
    g_armed = false;
    if (VariantToInt64(out) != 0) {
      EXPECT_EQ(out.type(), vt::I8);
      EXPECT_EQ(GlobalStore().LiveHandleCount(), handles + 1);
      JSONFree(out);
      EXPECT_EQ(Text(document), text);
      return n;
    }
    SCOPED_TRACE("allocation " + std::to_string(n) + " failed");
    EXPECT_EQ(out.type(), vt::I4);
    EXPECT_EQ(Text(document), text);
    EXPECT_EQ(Count(container), count);
    EXPECT_EQ(GlobalStore().RootCount(), roots);
    EXPECT_EQ(GlobalStore().LiveHandleCount(), handles);
  }
  ADD_FAILURE() << "the call never succeeded";
  return -1;
}

class AddOutOfMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    document = Create(u"{\"a\":1,\"list\":[true]}");
    JSONGetElement(document, u"list", list);
    ASSERT_NE(VariantToInt64(list), 0);
  }
  void TearDown() override {
    JSONFree(document);
    EXPECT_EQ(GlobalStore().RootCount(), 0u);
    EXPECT_EQ(GlobalStore().LiveHandleCount(), 0u);
  }

  Variant document;
  Variant list;
};

TEST_F(AddOutOfMemoryTest, AddElement) {
  EXPECT_GT(FailEachAllocationOf(document, document, [&](Variant& out) { JSONAddElement(document, u"o", out); }), 0);
}

TEST_F(AddOutOfMemoryTest, AddArray) {
  EXPECT_GT(FailEachAllocationOf(document, document, [&](Variant& out) { JSONAddArray(document, u"arr", out); }), 0);
}

TEST_F(AddOutOfMemoryTest, AddArrayElement) {
  EXPECT_GT(FailEachAllocationOf(document, list, [&](Variant& out) { JSONAddArrayElement(list, out); }), 0);
}

TEST_F(AddOutOfMemoryTest, NewRoots) {
  EXPECT_GT(FailEachAllocationOf(document, document, [&](Variant& out) { JSONAddElement(Variant::I8(0), u"", out); }),
            0);
  EXPECT_GT(FailEachAllocationOf(document, document, [&](Variant& out) { JSONAddArrayElement(Variant::I8(0), out); }),
            0);
}

}  // namespace
}  // namespace lumetra::json
