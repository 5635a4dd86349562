#include "lumetra/json/items.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "lumetra/automation/values/errors.h"

namespace lumetra::json {
namespace {

TEST(JsonItemsTest, KindTestsFollowTheTypeFamilies) {
  TJSONObject object;
  TJSONArray array;
  TJSONString string(u"s");
  TJSONNumber number(u"1");
  TJSONBool boolean(true);
  TJSONTrue yes;
  TJSONFalse no;
  TJSONNull null;
  TJSONPair pair(u"k", std::make_unique<TJSONNull>());

  EXPECT_TRUE(number.IsString());
  EXPECT_TRUE(number.IsNumber());
  EXPECT_FALSE(string.IsNumber());
  EXPECT_TRUE(boolean.IsBool() && yes.IsBool() && no.IsBool());
  EXPECT_TRUE(yes.Value());
  EXPECT_FALSE(no.Value());
  EXPECT_TRUE(object.IsContainer() && array.IsContainer() && !string.IsContainer());
  EXPECT_TRUE(null.IsNull() && null.IsValue());
  EXPECT_TRUE(pair.IsPair());
  EXPECT_FALSE(pair.IsValue());

  EXPECT_EQ(As<TJSONString>(&number), &number);
  EXPECT_EQ(As<TJSONNumber>(&string), nullptr);
  EXPECT_EQ(As<TJSONBool>(&no), &no);
  EXPECT_EQ(As<TJSONValue>(&pair), nullptr);
  EXPECT_EQ(As<TJSONPair>(&pair), &pair);
  EXPECT_EQ(As<TJSONObject>(static_cast<TJSONAncestor*>(nullptr)), nullptr);
}

TEST(JsonItemsTest, ObjectKeepsOrderAndDuplicatesAndFindsTheFirst) {
  TJSONObject object;
  TJSONPair& first = object.Add(u"a", std::make_unique<TJSONString>(u"1"));
  object.Add(u"Name", std::make_unique<TJSONNull>());
  object.Add(u"a", std::make_unique<TJSONString>(u"2"));
  object.Add(u"", std::make_unique<TJSONTrue>());

  ASSERT_EQ(object.Count(), 4u);
  EXPECT_EQ(object.Find(u"a"), &first);
  EXPECT_EQ(object.Member(2).Key(), u"a");
  EXPECT_EQ(As<TJSONString>(&object.Member(2).Value())->Text(), u"2");
  EXPECT_EQ(object.Find(u"name"), nullptr) << "letter case counts";
  EXPECT_EQ(object.Find(u""), &object.Member(3));
  EXPECT_EQ(object.Find(WideStringView(u"a\0", 2)), nullptr);
}

TEST(JsonItemsTest, OwnersAreSetOnAttach) {
  TJSONObject object;
  TJSONPair& pair = object.Add(u"list", std::make_unique<TJSONArray>());
  auto& array = static_cast<TJSONArray&>(pair.Value());
  TJSONValue& element = array.Add(std::make_unique<TJSONNull>());

  EXPECT_EQ(object.owner(), nullptr);
  EXPECT_EQ(pair.owner(), &object);
  EXPECT_EQ(array.owner(), &pair);
  EXPECT_EQ(element.owner(), &array);
  EXPECT_EQ(&array.Element(0), &element);
}

TEST(JsonItemsTest, NumberTextFromDouble) {
  const struct {
    double value;
    const char16_t* text;
  } cases[] = {
      {1.5, u"1.5"},
      {100, u"100"},
      {-2.5, u"-2.5"},
      {1.0 / 3, u"0.333333333333333"},
      {0.0001, u"0.0001"},
      {0.00001, u"1E-5"},
      {0.00012345, u"0.00012345"},
      {1.23456789012345E14, u"123456789012345"},
      {1E15, u"1E15"},
      {1.234567890123456E15, u"1.23456789012346E15"},
      {1.5E-10, u"1.5E-10"},
      {0, u"0"},
      {12, u"12"},
  };
  for (const auto& c : cases) {
    auto number = TJSONNumber::FromDouble(c.value);
    EXPECT_EQ(number->Text(), c.text) << c.value;
    EXPECT_TRUE(number->IsNumber());
  }
}

TEST(JsonItemsTest, NumberFromNanOrInfinityIsAnError) {
  for (double value : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity()}) {
    EXPECT_THROW(TJSONNumber::FromDouble(value), Error);
  }
}

TEST(JsonItemsTest, DestroyingAMillionLevelTreeDoesNotRecurse) {
  const size_t before = TJSONAncestor::LiveCount();
  {
    auto root = std::make_unique<TJSONArray>();
    TJSONValue* tip = root.get();
    for (int level = 0; level < 1'000'000; ++level) {
      if (level % 2 == 0) {
        tip = &static_cast<TJSONArray*>(tip)->Add(std::make_unique<TJSONObject>());
      } else {
        tip = &static_cast<TJSONObject*>(tip)->Add(u"k", std::make_unique<TJSONArray>()).Value();
      }
    }
    EXPECT_EQ(TJSONAncestor::LiveCount(), before + 1 + 1'000'000 + 500'000);
  }
  EXPECT_EQ(TJSONAncestor::LiveCount(), before);
}

TEST(JsonItemsTest, DestroyingAWideTreeFreesEverything) {
  const size_t before = TJSONAncestor::LiveCount();
  {
    TJSONArray root;
    for (int i = 0; i < 1000; ++i) {
      auto& inner = static_cast<TJSONArray&>(root.Add(std::make_unique<TJSONArray>()));
      for (int j = 0; j < 10; ++j) inner.Add(std::make_unique<TJSONString>(u"x"));
    }
  }
  EXPECT_EQ(TJSONAncestor::LiveCount(), before);
}

}  // namespace
}  // namespace lumetra::json
