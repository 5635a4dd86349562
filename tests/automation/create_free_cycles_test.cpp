// A server runs for days while scripts create and free documents: a million
// create/read/free cycles through the object leave the store, the item pool
// and the process's memory where they were after the first cycles.
#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

#include "lumetra/automation/lumetra_com.h"
#include "lumetra/json/item_pool.h"
#include "lumetra/json/store.h"

namespace lumetra {
namespace {

#if defined(LUMETRA_ADDRESS_SANITIZER)
constexpr int kCycles = 100'000;  // the sanitizer build checks leaks, not the long run
#else
constexpr int kCycles = 1'000'000;
#endif

class IgnoringReporter : public ErrorReporter {
 public:
  bool Report(const ErrorInfo&) noexcept override { return true; }
};

// Resident bytes of this process (Linux).
size_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  size_t total_pages = 0, resident_pages = 0;
  statm >> total_pages >> resident_pages;
  return resident_pages * static_cast<size_t>(::sysconf(_SC_PAGESIZE));
}

TEST(CreateFreeCyclesTest, AMillionCyclesKeepMemoryFlat) {
  IgnoringReporter reporter;
  LumetraCOM com(reporter);
  const WideString text =
      u"{\"pedido\":{\"id\":7,\"items\":[{\"sku\":\"A1\",\"qty\":2},{\"sku\":\"B2\",\"qty\":1}]},"
      u"\"nota\":\"una nota algo m\u00e1s larga que las dem\u00e1s\",\"ok\":true}";
  const auto cycle = [&] {
    Variant doc, items, first, value;
    ASSERT_EQ(com.JSONCreate(text, doc), kOk);
    ASSERT_NE(doc.signed_value(), 0);
    ASSERT_EQ(com.JSONGetElement(doc, u"pedido.items", items), kOk);
    ASSERT_EQ(com.JSONGetArrayElement(items, 1, first), kOk);
    ASSERT_EQ(com.JSONGetNodeValue(first, u"sku", value), kOk);
    ASSERT_EQ(value.string_value(), u"B2");
    ASSERT_EQ(com.JSONAddNodeAsNumber(doc, Variant::String(u"total"), Variant::R8(12.5)), kOk);
    ASSERT_EQ(com.JSONFree(doc), kOk);
  };

  const json::Store& store = json::GlobalStore();
  const size_t roots_before = store.RootCount();
  const size_t handles_before = store.LiveHandleCount();
  const size_t items_before = json::Store::LiveItemCount();
  const size_t blocks_before = json::ItemMemory().BlocksInUse();
  for (int i = 0; i < kCycles / 10; ++i) cycle();
  const size_t capacity_after_warm_up = store.HandleCapacity();
  [[maybe_unused]] const size_t resident_after_warm_up = ResidentBytes();
  for (int i = kCycles / 10; i < kCycles; ++i) cycle();

  EXPECT_EQ(store.RootCount(), roots_before);
  EXPECT_EQ(store.LiveHandleCount(), handles_before);
  EXPECT_EQ(json::Store::LiveItemCount(), items_before);
  EXPECT_EQ(store.HandleCapacity(), capacity_after_warm_up);
  EXPECT_EQ(json::ItemMemory().BlocksInUse(), blocks_before);
#if !defined(LUMETRA_ADDRESS_SANITIZER)  // the sanitizer's quarantine holds freed memory on purpose
  EXPECT_LT(ResidentBytes(), resident_after_warm_up + (size_t{4} << 20));
#endif
}

}  // namespace
}  // namespace lumetra
