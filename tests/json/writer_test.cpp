#include "lumetra/json/writer.h"

#include <gtest/gtest.h>

#include "lumetra/json/reader.h"

namespace lumetra::json {
namespace {

std::string Written(TJSONAncestor item) { return ToUtf8(FormatJSON(item)); }

// A tree of one new value, outside any store.
std::string WrittenAlone(NewItem&& value) { return Written(Tree(std::move(value)).Value()); }

TEST(JsonWriterTest, EscapesOneCodeUnitAtATime) {
  const struct {
    WideString text;
    const char* written;
  } cases[] = {
      {u"a/b\"c\\\u00E9", "\"a\\/b\\\"c\\\\\\u00E9\""},
      {u"\b\t\n\f\r", "\"\\b\\t\\n\\f\\r\""},
      {WideString(u"\0\u0001\u000B\u001F", 4), "\"\\u0000\\u0001\\u000B\\u001F\""},
      {u" ~\u007F", "\" ~\u007F\""},
      {u"\u0080\u00FF\u0100\uABCD\uFFFF", "\"\\u0080\\u00FF\\u0100\\uABCD\\uFFFF\""},
      {u"\U0001F600", "\"\\uD83D\\uDE00\""},
      {u"\xDC00x", "\"\\uDC00x\""},
      {u"", "\"\""},
      {u"plain text", "\"plain text\""},
      // One code unit to escape among plain ones, in short and in long texts.
      {u"x/y", "\"x\\/y\""},
      {u"q\"", "\"q\\\"\""},
      {u"b\\", "\"b\\\\\""},
      {u"t\u001F", "\"t\\u001F\""},
      {u"\u00E9", "\"\\u00E9\""},
      {u"a long text with / in it", "\"a long text with \\/ in it\""},
      {u"a long text with \u0080 in it", "\"a long text with \\u0080 in it\""},
      {u"a long plain text ~\u007F", "\"a long plain text ~\u007F\""},
  };
  for (const auto& c : cases) EXPECT_EQ(WrittenAlone(NewString(c.text)), c.written) << c.written;
}

TEST(JsonWriterTest, WritesEveryKind) {
  Tree tree(NewObject());
  const auto object = As<TJSONObject>(tree.Value());
  EXPECT_EQ(Written(object), "{}");
  object.Add(u"k/", NewNumber(u"1.50"));
  const auto list = As<TJSONArray>(object.Add(u"list", NewArray()).Value());
  EXPECT_EQ(Written(list), "[]");
  list.Add(NewBool(true));
  list.Add(NewBool(false));
  list.Add(NewNull());
  list.Add(NumberFromDouble(0.00001));
  list.Add(NewString(u"{}"));
  const auto inner = As<TJSONObject>(list.Add(NewObject()));
  inner.Add(u"", NewObject());
  inner.Add(u"", NewArray());

  EXPECT_EQ(Written(object), "{\"k\\/\":1.50,\"list\":[true,false,null,1E-5,\"{}\",{\"\":{},\"\":[]}]}");
  EXPECT_EQ(Written(object.Member(0)), "\"k\\/\":1.50");
  EXPECT_EQ(Written(object.Member(1)), "\"list\":[true,false,null,1E-5,\"{}\",{\"\":{},\"\":[]}]");
  EXPECT_EQ(Written(list.Element(3)), "1E-5");
}

// Long texts are looked at four code units at a time when made; a unit that
// decides the text's form or its escapes counts wherever it falls: in any of
// the four lanes or in the tail after the last group of four.
TEST(JsonWriterTest, EscapesFoundInEveryLaneOfALongText) {
  const struct {
    char16_t unit;
    const char* written;
  } units[] = {
      {u'"', "\\\""},         {u'\\', "\\\\"},        {u'/', "\\/"},          {u'\n', "\\n"},
      {u'\0', "\\u0000"},     {u'\u001F', "\\u001F"}, {u'\u007F', "\u007F"},  {u'\u0080', "\\u0080"},
      {u'\u00FF', "\\u00FF"}, {u'\u0100', "\\u0100"}, {u'\uFFFF', "\\uFFFF"},
  };
  constexpr size_t kSize = 21;  // five groups of four and a tail of one
  for (const auto& u : units) {
    for (size_t at = 0; at < kSize; ++at) {
      WideString text(kSize, u'a');
      text[at] = u.unit;
      SCOPED_TRACE(std::string(u.written) + " at " + std::to_string(at));
      NewItem made = NewString(text);
      const Node& node = *made.View().node();
      EXPECT_EQ(node.form(), u.unit <= 0xFF ? TextForm::kLatin1 : TextForm::kWide);
      EXPECT_EQ(TextAsWide(node), text);
      EXPECT_EQ(WrittenAlone(std::move(made)),
                "\"" + std::string(at, 'a') + u.written + std::string(kSize - 1 - at, 'a') + "\"");
    }
  }
}

// The output grows as it is written: texts far longer than its first room,
// plain and escaped, after text that was there before.
TEST(JsonWriterTest, AppendsAcrossManyGrowths) {
  Tree tree(NewArray());
  const auto array = As<TJSONArray>(tree.Value());
  std::string expected = "x=[";
  for (int i = 0; i < 3000; ++i) {
    const bool plain = i % 2 == 0;
    array.Add(NewString(plain ? WideString(300 + i % 7, u'p') : WideString(100, u'\u00E9')));
    if (i != 0) expected += ',';
    expected += '"';
    if (plain) {
      expected += std::string(300 + i % 7, 'p');
    } else {
      for (int j = 0; j < 100; ++j) expected += "\\u00E9";
    }
    expected += '"';
  }
  expected += ']';
  WideString out = u"x=";
  AppendJSON(tree.Value(), out);
  EXPECT_EQ(ToUtf8(out), expected);
}

TEST(JsonWriterTest, NumbersFromDoublesAsStored) {
  EXPECT_EQ(WrittenAlone(NumberFromDouble(1E15)), "1E15");
  EXPECT_EQ(WrittenAlone(NumberFromDouble(1.23456789012345E14)), "123456789012345");
}

TEST(JsonWriterTest, AppendsToExistingText) {
  WideString out = u"x=";
  AppendJSON(Tree(NewNull()).Value(), out);
  EXPECT_EQ(out, u"x=null");
}

TEST(JsonWriterTest, ReadThenWrittenIsStable) {
  const char16_t* text = u"{\"a\":[1,2.50,-3e+7,\"\\u00E9\\/\"],\"b\":{\"c\":null,\"c\":true},\"d\":[[],{}]}";
  Tree tree = ParseJSON(text);
  ASSERT_TRUE(tree);
  EXPECT_EQ(FormatJSON(tree.Value()), text);
}

}  // namespace
}  // namespace lumetra::json
