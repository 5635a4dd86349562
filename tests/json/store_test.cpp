#include "lumetra/json/store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "lumetra/json/key_path.h"
#include "lumetra/json/reader.h"
#include "lumetra/json/writer.h"

namespace lumetra::json {
namespace {

constexpr int64_t kMaxHandle = 0x7FFFFFFF;

// A store of its own with one root, apart from the store under test.
struct Other {
  Store store;
  int64_t handle = store.AdoptRoot(Tree(NewArray()));
  TJSONAncestor root() const { return store.Resolve(handle); }
};

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

Tree Parse(const char16_t* text) {
  Tree tree = ParseJSON(text);
  EXPECT_TRUE(tree) << ToUtf8(text);
  return tree;
}

TEST(JsonStoreTest, HandlesAreStableAndEqualExactlyForTheSameItem) {
  Store store;
  const int64_t root = store.AdoptRoot(Parse(u"{\"a\":{\"b\":1},\"c\":[true]}"));
  const auto object = As<TJSONObject>(store.Resolve(root));
  const TJSONValue a = object.Member(0).Value();

  const int64_t a_handle = store.HandleOf(a);
  EXPECT_EQ(store.HandleOf(a), a_handle);
  EXPECT_EQ(store.HandleOf(FindByKeyPath(object, u"a")), a_handle);
  EXPECT_EQ(store.HandleOf(object), root);
  EXPECT_EQ(store.Resolve(a_handle), a);

  std::set<int64_t> handles{root,
                            a_handle,
                            store.HandleOf(object.Member(0)),
                            store.HandleOf(object.Member(1)),
                            store.HandleOf(FindByKeyPath(object, u"a.b")),
                            store.HandleOf(FindByKeyPath(object, u"c[0]"))};
  EXPECT_EQ(handles.size(), 6u);
  for (int64_t handle : handles) EXPECT_TRUE(handle >= 1 && handle <= kMaxHandle) << handle;
  EXPECT_EQ(store.LiveHandleCount(), 6u);
}

TEST(JsonStoreTest, HandlesAreIssuedLazily) {
  Store store;
  store.AdoptRoot(Parse(u"[1,2,3,[4,5]]"));
  EXPECT_EQ(store.LiveHandleCount(), 1u);
}

TEST(JsonStoreTest, UnknownHandlesResolveToNothing) {
  Store store;
  EXPECT_FALSE(store.Resolve(1)) << "empty store";
  const int64_t root = store.AdoptRoot(Tree(NewObject()));
  for (int64_t handle : {int64_t{0}, int64_t{-1}, root + 1, root + 64, kMaxHandle, kMaxHandle + 1, int64_t{1} << 32,
                         root + (int64_t{1} << 32), INT64_MIN, INT64_MAX}) {
    EXPECT_FALSE(store.Resolve(handle)) << handle;
  }
  EXPECT_TRUE(store.Resolve(root));
}

TEST(JsonStoreTest, FreeingARootKillsEveryHandleBelow) {
  Store store;
  const int64_t root = store.AdoptRoot(Parse(u"{\"a\":[{\"b\":null}],\"c\":\"x\"}"));
  const auto object = As<TJSONObject>(store.Resolve(root));
  std::vector<int64_t> below;
  for (const char16_t* path : {u"a", u"a[0]", u"a[0].b", u"c"}) {
    below.push_back(store.HandleOf(FindByKeyPath(object, path)));
  }
  below.push_back(store.HandleOf(object.Member(0)));

  const int64_t other = store.AdoptRoot(Parse(u"[1]"));
  store.Free(store.Resolve(root));

  EXPECT_FALSE(store.Resolve(root));
  for (int64_t handle : below) EXPECT_FALSE(store.Resolve(handle)) << handle;
  EXPECT_TRUE(store.Resolve(other));
  EXPECT_EQ(store.RootCount(), 1u);
  EXPECT_EQ(store.LiveHandleCount(), 1u);
}

TEST(JsonStoreTest, FreeingAnOwnedItemDetachesItFromItsOwner) {
  Store store;
  const int64_t root = store.AdoptRoot(Parse(u"{\"a\":1,\"b\":[10,[20],30],\"c\":3}"));
  const auto object = As<TJSONObject>(store.Resolve(root));

  const int64_t nested = store.HandleOf(FindByKeyPath(object, u"b[1][0]"));
  store.Free(FindByKeyPath(object, u"b[1]"));
  EXPECT_EQ(FormatJSON(object), u"{\"a\":1,\"b\":[10,30],\"c\":3}");
  EXPECT_FALSE(store.Resolve(nested));

  store.Free(object.Member(0));  // a member
  EXPECT_EQ(FormatJSON(object), u"{\"b\":[10,30],\"c\":3}");

  const int64_t c_member = store.HandleOf(object.Member(1));
  store.Free(FindByKeyPath(object, u"c"));  // a member's value goes with its member
  EXPECT_EQ(FormatJSON(object), u"{\"b\":[10,30]}");
  EXPECT_FALSE(store.Resolve(c_member));
  EXPECT_EQ(store.Resolve(root), object);
}

// Freeing elements one by one, in any order, leaves the others at the indexes
// the array's order gives them, and their handles alive.
TEST(JsonStoreTest, FreeingElementsOneByOneKeepsTheOthersInOrder) {
  const struct {
    const char* name;
    std::vector<int> freed;  // positions in the original array, in the order freed
  } cases[] = {
      {"first to last", {0, 1, 2, 3, 4, 5, 6, 7}},
      {"last to first", {7, 6, 5, 4, 3, 2, 1, 0}},
      {"alternating ends", {0, 7, 1, 6, 2, 5, 3, 4}},
      {"scattered", {4, 1, 6, 0, 7, 3, 5, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Store store;
    const int64_t root = store.AdoptRoot(Parse(u"[10,11,12,13,14,15,16,17]"));
    const auto array = As<TJSONArray>(store.Resolve(root));
    std::vector<int64_t> handles;
    for (size_t i = 0; i < array.Count(); ++i) handles.push_back(store.HandleOf(array.Element(i)));
    std::vector<int> left{0, 1, 2, 3, 4, 5, 6, 7};
    for (int position : c.freed) {
      store.Free(store.Resolve(handles[static_cast<size_t>(position)]));
      EXPECT_FALSE(store.Resolve(handles[static_cast<size_t>(position)]));
      left.erase(std::find(left.begin(), left.end(), position));
      ASSERT_EQ(array.Count(), left.size());
      for (size_t i = 0; i < left.size(); ++i) {
        ASSERT_EQ(array.Element(i), store.Resolve(handles[static_cast<size_t>(left[i])])) << "index " << i;
      }
    }
    array.Add(NewNull());
    EXPECT_EQ(FormatJSON(array), u"[null]");
  }
}

// Every member and every value holds a handle, so each shift of a freed
// member's neighbours moves many handled nodes onto addresses whose entries
// are still in the index; every handle must keep naming its own item.
TEST(JsonStoreTest, HandlesFollowEveryShiftOfAnObjectsMembers) {
  constexpr int kMembers = 300;
  std::u16string text = u"{";
  for (int i = 0; i < kMembers; ++i) {
    if (i != 0) text += u',';
    text += u"\"k" + Ascii(std::to_string(i)) + u"\":" + Ascii(std::to_string(i));
  }
  text += u'}';
  Store store;
  const int64_t root = store.AdoptRoot(Parse(text.c_str()));
  const auto object = As<TJSONObject>(store.Resolve(root));
  std::vector<int64_t> members;
  std::vector<int64_t> values;
  for (size_t i = 0; i < object.Count(); ++i) {
    members.push_back(store.HandleOf(object.Member(i)));
    values.push_back(store.HandleOf(object.Member(i).Value()));
  }
  std::vector<int> left(kMembers);
  for (int i = 0; i < kMembers; ++i) left[static_cast<size_t>(i)] = i;
  uint32_t random = 12345;
  while (!left.empty()) {
    random = random * 1103515245u + 12345u;
    const size_t at = (random >> 8) % left.size();
    const auto freed = static_cast<size_t>(left[at]);
    store.Free(store.Resolve(members[freed]));
    ASSERT_FALSE(store.Resolve(members[freed]));
    ASSERT_FALSE(store.Resolve(values[freed]));
    left.erase(left.begin() + static_cast<std::ptrdiff_t>(at));
    ASSERT_EQ(object.Count(), left.size());
    for (size_t i = 0; i < left.size(); ++i) {
      const auto original = static_cast<size_t>(left[i]);
      const auto member = As<TJSONPair>(store.Resolve(members[original]));
      ASSERT_EQ(member, object.Member(i)) << "member k" << original;
      ASSERT_EQ(member.KeyAsWide(), u"k" + Ascii(std::to_string(original)));
      ASSERT_EQ(store.Resolve(values[original]), member.Value()) << "value of k" << original;
    }
  }
  EXPECT_EQ(store.LiveHandleCount(), 1u);
}

TEST(JsonStoreTest, ItemsOutsideTheStoreAreLeftAlone) {
  Store store;
  Tree stray(NewObject());
  const size_t items = Store::LiveItemCount();
  store.Free(stray.Value());
  EXPECT_EQ(Store::LiveItemCount(), items);
  EXPECT_EQ(As<TJSONObject>(stray.Value()).Count(), 0u);
  Other other_store;
  store.Free(other_store.root());
  EXPECT_TRUE(other_store.store.Resolve(other_store.handle)) << "a root of another store";
  NewItem detached = NewNull();
  store.Free(detached.View());
  EXPECT_EQ(Store::LiveItemCount(), items + 1);
}

TEST(JsonStoreTest, DeadHandlesAreNotReissuedSoon) {
  Store store;
  std::set<int64_t> seen;
  const int64_t keeper = store.AdoptRoot(Tree(NewArray()));
  for (int i = 0; i < 200'000; ++i) {
    const int64_t handle = store.AdoptRoot(Tree(NewObject()));
    ASSERT_TRUE(seen.insert(handle).second) << "handle " << handle << " reissued after " << i;
    ASSERT_TRUE(handle >= 1 && handle <= kMaxHandle);
    store.Free(store.Resolve(handle));
    ASSERT_FALSE(store.Resolve(handle));
  }
  EXPECT_TRUE(store.Resolve(keeper));
}

TEST(JsonStoreTest, ManyLiveHandlesSurviveTableGrowth) {
  Store store;
  const int64_t root = store.AdoptRoot(Tree(NewArray()));
  const auto array = As<TJSONArray>(store.Resolve(root));
  std::vector<int64_t> handles;
  std::vector<int64_t> freed;
  for (int i = 0; i < 100'000; ++i) {
    const TJSONValue element = array.Add(NewString(u"e"));
    handles.push_back(store.HandleOf(element));
    if (i % 3 == 0) {  // free some as we go, so growth sees dead slots too
      const int64_t doomed = store.HandleOf(array.Add(NewNull()));
      store.Free(store.Resolve(doomed));
      freed.push_back(doomed);
    }
  }
  const std::set<int64_t> live(handles.begin(), handles.end());
  EXPECT_EQ(live.size(), handles.size());
  for (size_t i = 0; i < handles.size(); ++i) ASSERT_EQ(store.Resolve(handles[i]), array.Element(i));
  for (int64_t handle : freed) {
    ASSERT_FALSE(store.Resolve(handle));
    ASSERT_EQ(live.count(handle), 0u) << "a dead handle came back while the table grew";
  }
  EXPECT_EQ(store.LiveHandleCount(), handles.size() + 1);
}

// The automation methods' typical traffic must leave the store as it began.
TEST(JsonStoreTest, CreateNavigateFormatFreeLoopLeavesNothingBehind) {
  Store& store = GlobalStore();
  const size_t items = Store::LiveItemCount();
  const size_t handles = store.LiveHandleCount();
  const size_t roots = store.RootCount();
  for (int i = 0; i < 2000; ++i) {
    const int64_t root = store.AdoptRoot(Parse(u"{\"a\":{\"b\":[1,\"two\",null]},\"c\":true}"));
    const auto object = As<TJSONObject>(store.Resolve(root));
    const int64_t b = store.HandleOf(FindByKeyPath(object, u"a.b"));
    const auto array = As<TJSONArray>(store.Resolve(b));
    store.HandleOf(array.Element(1));
    const auto added = As<TJSONObject>(object.Add(u"new", NewObject()).Value());
    store.HandleOf(added);
    added.Add(u"n", NumberFromDouble(i));
    store.HandleOf(object.Member(0));
    ASSERT_FALSE(FormatJSON(store.Resolve(root)).empty());
    if (i % 2 == 0) store.Free(store.Resolve(b));
    const int64_t extra = store.AdoptRoot(Tree(NewObject()));
    store.Free(store.Resolve(extra));
    store.Free(store.Resolve(root));
  }
  EXPECT_EQ(Store::LiveItemCount(), items);
  EXPECT_EQ(store.LiveHandleCount(), handles);
  EXPECT_EQ(store.RootCount(), roots);
}

TEST(JsonStoreTest, MillionLevelTreeBuiltByCodeFormatsAndFrees) {
  constexpr int kDepth = 1'000'000;
  Store store;
  const size_t items = Store::LiveItemCount();
  const int64_t root = store.AdoptRoot(Tree(NewObject()));
  TJSONValue tip = As<TJSONValue>(store.Resolve(root));
  int64_t deepest = 0;
  for (int level = 0; level < kDepth; ++level) {
    tip = As<TJSONObject>(tip).Add(u"a", NewObject()).Value();
    if (level % 1000 == 0) deepest = store.HandleOf(tip);
  }
  const WideString text = FormatJSON(store.Resolve(root));
  ASSERT_EQ(text.size(), size_t{kDepth} * 6 + 2);
  EXPECT_EQ(text.substr(0, 12), u"{\"a\":{\"a\":{\"");
  EXPECT_EQ(text.substr(text.size() - 4), u"}}}}");

  store.Free(store.Resolve(root));
  EXPECT_FALSE(store.Resolve(deepest));
  EXPECT_EQ(store.LiveHandleCount(), 0u);
  EXPECT_EQ(Store::LiveItemCount(), items);
}

TEST(JsonStoreTest, DestructorFreesRemainingRoots) {
  const size_t items = Store::LiveItemCount();
  {
    Store store;
    const int64_t root = store.AdoptRoot(Parse(u"[[1],{\"a\":2}]"));
    store.HandleOf(FindByKeyPath(As<TJSONValue>(store.Resolve(root)), u"[1].a"));
  }
  EXPECT_EQ(Store::LiveItemCount(), items);
}

// Left for process end on purpose: the global store's destructor frees it
// (LeakSanitizer reports it otherwise).
TEST(JsonStoreTest, GlobalStoreKeepsRootsUntilProcessEnd) {
  Store& store = GlobalStore();
  const size_t roots = store.RootCount();
  const int64_t root = store.AdoptRoot(Parse(u"{\"kept\":[1,{\"deep\":true}]}"));
  store.HandleOf(FindByKeyPath(As<TJSONValue>(store.Resolve(root)), u"kept[1].deep"));
  EXPECT_EQ(&GlobalStore(), &store);
  EXPECT_EQ(store.RootCount(), roots + 1);
}

}  // namespace
}  // namespace lumetra::json
