#include "lumetra/json/writer.h"

#include <gtest/gtest.h>

#include "lumetra/json/reader.h"

namespace lumetra::json {
namespace {

std::string Written(const TJSONAncestor& item) { return ToUtf8(FormatJSON(item)); }

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
  };
  for (const auto& c : cases) EXPECT_EQ(Written(TJSONString(c.text)), c.written) << c.written;
}

TEST(JsonWriterTest, WritesEveryKind) {
  TJSONObject object;
  EXPECT_EQ(Written(object), "{}");
  object.Add(u"k/", std::make_unique<TJSONNumber>(u"1.50"));
  auto& list = static_cast<TJSONArray&>(object.Add(u"list", std::make_unique<TJSONArray>()).Value());
  EXPECT_EQ(Written(list), "[]");
  list.Add(std::make_unique<TJSONBool>(true));
  list.Add(std::make_unique<TJSONFalse>());
  list.Add(std::make_unique<TJSONNull>());
  list.Add(TJSONNumber::FromDouble(0.00001));
  list.Add(std::make_unique<TJSONString>(u"{}"));
  auto& inner = static_cast<TJSONObject&>(list.Add(std::make_unique<TJSONObject>()));
  inner.Add(u"", std::make_unique<TJSONObject>());
  inner.Add(u"", std::make_unique<TJSONArray>());

  EXPECT_EQ(Written(object), "{\"k\\/\":1.50,\"list\":[true,false,null,1E-5,\"{}\",{\"\":{},\"\":[]}]}");
  EXPECT_EQ(Written(object.Member(0)), "\"k\\/\":1.50");
  EXPECT_EQ(Written(object.Member(1)), "\"list\":[true,false,null,1E-5,\"{}\",{\"\":{},\"\":[]}]");
  EXPECT_EQ(Written(list.Element(3)), "1E-5");
}

TEST(JsonWriterTest, NumbersFromDoublesAsStored) {
  EXPECT_EQ(Written(*TJSONNumber::FromDouble(1E15)), "1E15");
  EXPECT_EQ(Written(*TJSONNumber::FromDouble(1.23456789012345E14)), "123456789012345");
}

TEST(JsonWriterTest, AppendsToExistingText) {
  WideString out = u"x=";
  AppendJSON(TJSONNull(), out);
  EXPECT_EQ(out, u"x=null");
}

TEST(JsonWriterTest, ReadThenWrittenIsStable) {
  const char16_t* text = u"{\"a\":[1,2.50,-3e+7,\"\\u00E9\\/\"],\"b\":{\"c\":null,\"c\":true},\"d\":[[],{}]}";
  auto value = ParseJSON(text);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(FormatJSON(*value), text);
}

}  // namespace
}  // namespace lumetra::json
