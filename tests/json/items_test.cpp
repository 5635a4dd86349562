#include "lumetra/json/items.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "lumetra/automation/values/errors.h"

namespace lumetra::json {
namespace {

// A tree with an empty object as its root, outside any store.
Tree ObjectTree() { return Tree(NewObject()); }
TJSONObject RootObject(const Tree& tree) { return As<TJSONObject>(tree.Value()); }

TEST(JsonItemsTest, KindTestsFollowTheTypeFamilies) {
  Tree tree(NewArray());
  const auto array = As<TJSONArray>(tree.Value());
  array.Add(NewObject());
  array.Add(NewString(u"s"));
  array.Add(NewNumber(u"1"));
  array.Add(NewBool(true));
  array.Add(NewBool(false));
  array.Add(NewNull());
  const TJSONPair pair = As<TJSONObject>(array.Add(NewObject())).Add(u"k", NewNull());
  // Views taken after the adds: an add may move the children of its container.
  const TJSONValue object = array.Element(0);
  const TJSONValue string = array.Element(1);
  const TJSONValue number = array.Element(2);
  const TJSONValue boolean = array.Element(3);
  const TJSONValue no = array.Element(4);
  const TJSONValue null = array.Element(5);

  EXPECT_TRUE(number.IsString());
  EXPECT_TRUE(number.IsNumber());
  EXPECT_FALSE(string.IsNumber());
  EXPECT_TRUE(boolean.IsBool() && no.IsBool());
  EXPECT_TRUE(As<TJSONBool>(boolean).Value());
  EXPECT_FALSE(As<TJSONBool>(no).Value());
  EXPECT_TRUE(As<TJSONTrue>(boolean) && !As<TJSONFalse>(boolean));
  EXPECT_TRUE(As<TJSONFalse>(no) && !As<TJSONTrue>(no));
  EXPECT_TRUE(object.IsContainer() && array.IsContainer() && !string.IsContainer());
  EXPECT_TRUE(null.IsNull() && null.IsValue());
  EXPECT_TRUE(pair.IsPair());
  EXPECT_FALSE(pair.IsValue());

  EXPECT_EQ(As<TJSONString>(number), number);
  EXPECT_FALSE(As<TJSONNumber>(string));
  EXPECT_EQ(As<TJSONBool>(no), no);
  EXPECT_FALSE(As<TJSONValue>(pair));
  EXPECT_EQ(As<TJSONPair>(pair), pair);
  EXPECT_FALSE(As<TJSONObject>(TJSONAncestor()));
}

TEST(JsonItemsTest, ObjectKeepsOrderAndDuplicatesAndFindsTheFirst) {
  Tree tree = ObjectTree();
  const TJSONObject object = RootObject(tree);
  object.Add(u"a", NewString(u"1"));
  object.Add(u"Name", NewNull());
  object.Add(u"a", NewString(u"2"));
  object.Add(u"", NewBool(true));

  ASSERT_EQ(object.Count(), 4u);
  EXPECT_EQ(object.Find(u"a"), object.Member(0));
  EXPECT_EQ(object.Member(2).Key(), u"a");
  EXPECT_EQ(As<TJSONString>(object.Member(2).Value()).Text(), u"2");
  EXPECT_FALSE(object.Find(u"name")) << "letter case counts";
  EXPECT_EQ(object.Find(u""), object.Member(3));
  EXPECT_FALSE(object.Find(WideStringView(u"a\0", 2)));
}

// What used to be the owner links: an object holds its member, the member its
// value, an array its element, and a container's children follow it when it grows.
TEST(JsonItemsTest, ChildrenAreReachedFromTheirContainers) {
  Tree tree = ObjectTree();
  const TJSONObject object = RootObject(tree);
  const TJSONPair pair = object.Add(u"list", NewArray());
  const auto array = As<TJSONArray>(pair.Value());
  const TJSONValue element = array.Add(NewNull());

  EXPECT_EQ(object.Member(0), pair);
  EXPECT_EQ(pair.Value(), array);
  EXPECT_EQ(array.Element(0), element);
  for (int i = 0; i < 100; ++i) array.Add(NewString(u"x"));  // the array's block grows
  EXPECT_TRUE(array.Element(0).IsNull());
  EXPECT_EQ(array.Count(), 101u);
}

// Texts are kept in the form that fits them; every form reads back the same.
TEST(JsonItemsTest, TextsReadBackInEveryForm) {
  const struct {
    const char* form;
    bool number;
    WideString text;
  } cases[] = {
      {"empty", false, u""},
      {"inline Latin-1", false, u"plain \u00E9\u00FF text!"},
      {"inline UTF-16", false, u"\u0100\uABCD\U0001F600x"},
      {"out-of-line Latin-1", false, u"fifteen chars.."},
      {"out-of-line UTF-16", false, u"a longer text with \u20AC in it"},
      {"embedded zero", false, WideString(u"a\0b", 3)},
      {"short number", true, u"-0.5e+10"},
      {"packed number", true, u"-65.613616999999977"},
      {"longest packed number", true, u"1234567890123456789012345678"},
      {"number beyond packing", true, u"12345678901234567890123456789"},
      {"every number symbol", true, u"0123456789+-.eE0123456789"},
  };
  Tree tree = ObjectTree();
  const TJSONObject object = RootObject(tree);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.form);
    const TJSONPair added = object.Add(c.text, c.number ? NewNumber(c.text) : NewString(c.text));
    EXPECT_EQ(added.Key().ToWide(), c.text);
    EXPECT_EQ(As<TJSONString>(added.Value()).Text().ToWide(), c.text);
    EXPECT_TRUE(added.Key() == c.text);
    EXPECT_EQ(object.Find(c.text), object.Find(c.text));
    EXPECT_TRUE(object.Find(c.text));
    EXPECT_EQ(added.Value().IsNumber(), c.number);
  }
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
    NewItem number = NumberFromDouble(c.value);
    EXPECT_EQ(As<TJSONNumber>(number.View()).Text().ToWide(), c.text) << c.value;
    EXPECT_TRUE(number.View().IsNumber());
  }
}

TEST(JsonItemsTest, NumberFromNanOrInfinityIsAnError) {
  for (double value : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity()}) {
    EXPECT_THROW(NumberFromDouble(value), Error);
  }
}

TEST(JsonItemsTest, DestroyingAMillionLevelTreeDoesNotRecurse) {
  const size_t before = TJSONAncestor::LiveCount();
  {
    Tree root(NewArray());
    TJSONValue tip = root.Value();
    for (int level = 0; level < 1'000'000; ++level) {
      if (level % 2 == 0) {
        tip = As<TJSONArray>(tip).Add(NewObject());
      } else {
        tip = As<TJSONObject>(tip).Add(u"k", NewArray()).Value();
      }
    }
    EXPECT_EQ(TJSONAncestor::LiveCount(), before + 1 + 1'000'000 + 500'000);
  }
  EXPECT_EQ(TJSONAncestor::LiveCount(), before);
}

TEST(JsonItemsTest, DestroyingAWideTreeFreesEverything) {
  const size_t before = TJSONAncestor::LiveCount();
  {
    Tree root(NewArray());
    const auto array = As<TJSONArray>(root.Value());
    for (int i = 0; i < 1000; ++i) {
      const auto inner = As<TJSONArray>(array.Add(NewArray()));
      for (int j = 0; j < 10; ++j) inner.Add(NewString(u"x"));
    }
  }
  EXPECT_EQ(TJSONAncestor::LiveCount(), before);
}

}  // namespace
}  // namespace lumetra::json
