// The children of a container in their block: taking one out (Store::Free)
// moves the shorter side, appending may slide or grow the block, and every
// handle follows its item through those moves, in whichever store holds it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "lumetra/json/store.h"
#include "lumetra/json/writer.h"

namespace lumetra::json {
namespace {

// A container in `store` whose children carry ids: an array of numbers, or
// an object of members keyed by the id with the id as a number value. Every
// child has a handle; for an object, so has every member's value.
class Container {
 public:
  Container(Store& store, bool object) : store_(store), object_(object) {
    root_ = store.AdoptRoot(Tree(object ? NewObject() : NewArray()));
  }
  ~Container() { store_.Free(store_.Resolve(root_)); }

  void Append() {
    const WideString id = FromUtf8(std::to_string(next_id_));
    if (object_) {
      const TJSONPair member = As<TJSONObject>(store_.Resolve(root_)).Add(id, NewNumber(id));
      handles_.push_back(store_.HandleOf(member));
      value_handles_.push_back(store_.HandleOf(member.Value()));
    } else {
      handles_.push_back(store_.HandleOf(As<TJSONArray>(store_.Resolve(root_)).Add(NewNumber(id))));
    }
    expected_.push_back(next_id_++);
  }

  // Frees the child `id`: through its own handle, or (every other time, in an
  // object) through its value's, which takes the member with it.
  void Take(int id) {
    const auto at = static_cast<size_t>(std::find(expected_.begin(), expected_.end(), id) - expected_.begin());
    const bool by_value = object_ && id % 2 == 1;
    const int64_t handle = by_value ? value_handles_[at] : handles_[at];
    store_.Free(store_.Resolve(handle));
    EXPECT_FALSE(store_.Resolve(handles_[at]));
    if (object_) {
      EXPECT_FALSE(store_.Resolve(value_handles_[at]));
    }
    expected_.erase(expected_.begin() + static_cast<ptrdiff_t>(at));
    handles_.erase(handles_.begin() + static_cast<ptrdiff_t>(at));
    if (object_) value_handles_.erase(value_handles_.begin() + static_cast<ptrdiff_t>(at));
  }

  // The ids in order, as the text says; each handle names the child at its place.
  void Check() const {
    std::string text = object_ ? "{" : "[";
    for (size_t i = 0; i < expected_.size(); ++i) {
      const std::string id = std::to_string(expected_[i]);
      text += (i ? "," : "") + (object_ ? "\"" + id + "\":" + id : id);
    }
    text += object_ ? "}" : "]";
    ASSERT_EQ(ToUtf8(FormatJSON(store_.Resolve(root_))), text);
    for (size_t i = 0; i < expected_.size(); ++i) {
      const std::string id = std::to_string(expected_[i]);
      if (object_) {
        const TJSONPair member = As<TJSONObject>(store_.Resolve(root_)).Member(i);
        ASSERT_EQ(store_.Resolve(handles_[i]), member) << "member " << id;
        ASSERT_EQ(store_.Resolve(value_handles_[i]), member.Value()) << "value " << id;
      } else {
        ASSERT_EQ(store_.Resolve(handles_[i]), As<TJSONArray>(store_.Resolve(root_)).Element(i)) << "element " << id;
      }
    }
  }

  bool empty() const { return expected_.empty(); }
  int front() const { return expected_.front(); }

 private:
  Store& store_;
  bool object_;
  int64_t root_ = 0;
  int next_id_ = 0;
  std::vector<int> expected_;
  std::vector<int64_t> handles_;
  std::vector<int64_t> value_handles_;
};

struct Arrangement {
  const char* name;
  bool object;
  bool global;  // the store under test is GlobalStore(), else a store of the test's own
};
constexpr Arrangement kSetups[] = {
    {"array, own store", false, false},
    {"object, own store", true, false},
    {"array, global store", false, true},
    {"object, global store", true, true},
};

// Takes out, one at a time, the children at the given positions of the ten
// first added (ids 0..9), optionally appending three more after each take.
// Meanwhile a tree in the other store has its own handles moved about.
TEST(JsonBlockChildrenTest, TakingOutKeepsTheOrderOfTheRestAndTheHandles) {
  const struct {
    const char* name;
    std::vector<int> taken;  // ids, in the order they are taken out
  } cases[] = {
      {"first to last", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},   {"last to first", {9, 8, 7, 6, 5, 4, 3, 2, 1, 0}},
      {"middle outwards", {5, 4, 6, 3, 7, 2, 8, 1, 9, 0}}, {"ends inwards", {0, 9, 1, 8, 2, 7, 3, 6, 4, 5}},
      {"scattered", {3, 7, 0, 9, 5, 1, 8, 2, 6, 4}},
  };
  for (const Arrangement& setup : kSetups) {
    Store own;
    Store& tested = setup.global ? GlobalStore() : own;
    Store& other = setup.global ? own : GlobalStore();
    for (const auto& c : cases) {
      for (bool append_between : {false, true}) {
        SCOPED_TRACE(std::string(setup.name) + ", " + c.name + (append_between ? ", appending between" : ""));
        Container bystander(other, !setup.object);
        Container container(tested, setup.object);
        for (int i = 0; i < 10; ++i) {
          container.Append();
          bystander.Append();
        }
        for (int id : c.taken) {
          container.Take(id);
          bystander.Take(bystander.front());
          bystander.Append();
          ASSERT_NO_FATAL_FAILURE(container.Check());
          if (append_between) {
            for (int i = 0; i < 3; ++i) container.Append();
            ASSERT_NO_FATAL_FAILURE(container.Check());
          }
          ASSERT_NO_FATAL_FAILURE(bystander.Check());
        }
      }
    }
  }
}

// A queue (in at the back, out at the front) slides its children to the front
// of the block instead of growing it for ever.
TEST(JsonBlockChildrenTest, AppendingAfterTakingFromTheFrontReusesTheBlock) {
  for (const Arrangement& setup : kSetups) {
    SCOPED_TRACE(setup.name);
    Store own;
    Container queue(setup.global ? GlobalStore() : own, setup.object);
    const size_t blocks = ItemMemory().BlocksInUse();
    for (int round = 0; round < 1000; ++round) {
      queue.Append();
      queue.Append();
      queue.Take(queue.front());
      if (round % 97 == 0) {
        ASSERT_NO_FATAL_FAILURE(queue.Check());
      }
    }
    ASSERT_NO_FATAL_FAILURE(queue.Check());
    EXPECT_EQ(ItemMemory().BlocksInUse(), blocks + 1) << "one block of children, nothing left behind";
  }
}

}  // namespace
}  // namespace lumetra::json
