#include "lumetra/json/child_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace lumetra::json {
namespace {

struct Child {
  int id;
};

// The ids in the list, in order.
std::vector<int> Ids(const ChildList<Child>& list) {
  std::vector<int> ids;
  for (Child* child : list) ids.push_back(child->id);
  for (size_t i = 0; i < list.size(); ++i) EXPECT_EQ(list[i].id, ids[i]) << "index " << i;
  return ids;
}

// Takes out, one at a time, the children at the given positions of the ten
// first added (ids 0..9), appends three more after each take, and checks the
// order against a plain vector doing the same.
TEST(JsonChildListTest, TakingOutKeepsTheOrderOfTheRest) {
  const struct {
    const char* name;
    std::vector<int> taken;  // ids, in the order they are taken out
  } cases[] = {
      {"first to last", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},   {"last to first", {9, 8, 7, 6, 5, 4, 3, 2, 1, 0}},
      {"middle outwards", {5, 4, 6, 3, 7, 2, 8, 1, 9, 0}}, {"ends inwards", {0, 9, 1, 8, 2, 7, 3, 6, 4, 5}},
      {"scattered", {3, 7, 0, 9, 5, 1, 8, 2, 6, 4}},
  };
  for (const auto& c : cases) {
    for (bool append_between : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (append_between ? ", appending between" : ""));
      ChildList<Child> list;
      std::vector<int> expected;
      int next_id = 0;
      const auto append = [&] {
        list.push_back(std::make_unique<Child>(Child{next_id}));
        expected.push_back(next_id++);
      };
      for (int i = 0; i < 10; ++i) append();
      std::vector<std::unique_ptr<Child>> taken;
      for (int id : c.taken) {
        Child& child = list[static_cast<size_t>(std::find(expected.begin(), expected.end(), id) - expected.begin())];
        taken.push_back(list.Take(child));
        EXPECT_EQ(taken.back()->id, id);
        expected.erase(std::find(expected.begin(), expected.end(), id));
        ASSERT_EQ(Ids(list), expected);
        if (append_between) {
          for (int i = 0; i < 3; ++i) append();
          ASSERT_EQ(Ids(list), expected);
        }
      }
      while (!list.empty()) taken.push_back(list.pop_back());
    }
  }
}

TEST(JsonChildListTest, AppendingAfterTakingFromTheFrontReusesTheBlock) {
  ChildList<Child> list;
  std::vector<std::unique_ptr<Child>> taken;
  for (int round = 0; round < 1000; ++round) {
    list.push_back(std::make_unique<Child>(Child{2 * round}));
    list.push_back(std::make_unique<Child>(Child{2 * round + 1}));
    taken.push_back(list.Take(list[0]));  // a queue: in at the back, out at the front
    ASSERT_EQ(list.size(), static_cast<size_t>(round + 1));
    ASSERT_EQ(list[0].id, round + 1);
    ASSERT_EQ(list.back().id, 2 * round + 1);
  }
  while (!list.empty()) taken.push_back(list.pop_back());
  EXPECT_EQ(taken.size(), 2000u);
}

TEST(JsonChildListTest, ReserveMakesRoomForAppending) {
  ChildList<Child> list;
  list.reserve(3);
  std::vector<std::unique_ptr<Child>> taken;
  for (int i = 0; i < 3; ++i) list.push_back(std::make_unique<Child>(Child{i}));
  taken.push_back(list.Take(list[0]));
  list.reserve(5);
  for (int i = 3; i < 7; ++i) list.push_back(std::make_unique<Child>(Child{i}));
  EXPECT_EQ(Ids(list), (std::vector<int>{1, 2, 3, 4, 5, 6}));
  while (!list.empty()) taken.push_back(list.pop_back());
}

}  // namespace
}  // namespace lumetra::json
