#include "lumetra/json/key_path.h"

#include <gtest/gtest.h>

#include "lumetra/json/reader.h"
#include "lumetra/json/writer.h"

namespace lumetra::json {
namespace {

constexpr const char16_t* kDocument =
    uR"({
  "a": {"b": 1, "b ": 2, " b": 3},
  "a ": "a-space",
  "items": [10, 20, {"name": "n2"}],
  "x.y": "dotted",
  "Name": "upper",
  "q\"uote": "dq",
  "q'uote": "sq",
  "back\\slash": "bs",
  "": "empty",
  "arr": [[0, 1], [2, 3]],
  "dup": "first", "dup": "second"
})";

constexpr const char16_t* kSelf = u"<self>";
constexpr const char16_t* kNothing = u"<nothing>";

struct PathCase {
  const char16_t* path;
  const char16_t* found;  // the found value as JSON text, kSelf or kNothing
};

WideString Describe(TJSONValue found, TJSONValue start) {
  if (!found) return kNothing;
  if (found == start) return kSelf;
  return FormatJSON(found);
}

TEST(JsonKeyPathTest, PathsFromAnObject) {
  const PathCase cases[] = {
      // No steps.
      {u"", kSelf},
      {u" ", kSelf},
      {u"\t\n\r\v\f", kSelf},
      {u"\u0085\u00A0\u1680\u2000\u200A\u2028\u2029\u202F\u205F\u3000", kSelf},
      {u"\u200B", kNothing},  // zero width space is a format character, so a name
      // Dotted names: trimmed before "." and "[", the last one kept as it is.
      {u"a.b", u"1"},
      {u"a .b", u"1"},
      {u" a.b", u"1"},
      {u"a\u3000.b", kNothing},  // trimming removes only code units up to U+0020
      {u"\u0001a\u0001.b", u"1"},
      {u"a. b", u"3"},
      {u"a.b ", u"2"},
      {u"a ", u"\"a-space\""},
      {u"Name", u"\"upper\""},
      {u"name", kNothing},
      {u"dup", u"\"first\""},
      {u"x.y", kNothing},
      {u"a.b.c", kNothing},
      {u"items.name", kNothing},
      // Indexes.
      {u"items[2].name", u"\"n2\""},
      {u"items[2] .name", u"\"n2\""},
      {u"items [2]", u"{\"name\":\"n2\"}"},
      {u"items[ 1 ]", u"20"},
      {u"items[+1]", u"20"},
      {u"items[-0]", u"10"},
      {u"items[0001]", u"20"},
      {u"items[$2]", u"{\"name\":\"n2\"}"},
      {u"items[x1]", u"20"},
      {u"items[X1]", u"20"},
      {u"items[0x1]", u"20"},
      {u"items[0X1]", u"20"},
      {u"items[$0000000001]", u"20"},
      {u"items[-1]", kNothing},
      {u"items[3]", kNothing},
      {u"items[2147483647]", kNothing},
      {u"items[$FFFFFFFF]", kNothing},
      {u"arr[1][0]", u"2"},
      {u"arr[1] [1]", u"3"},
      {u"[0]", kNothing},
      {u"a[0]", kNothing},
      {u"items[0][0]", kNothing},
      // Quoted names.
      {u"['x.y']", u"\"dotted\""},
      {u"[\"x.y\"]", u"\"dotted\""},
      {u"[ 'x.y' ]", u"\"dotted\""},
      {u"['q\\'uote']", u"\"sq\""},
      {u"[\"q\\\"uote\"]", u"\"dq\""},
      {u"[\"q'uote\"]", u"\"sq\""},
      {u"['back\\slash']", u"\"bs\""},
      {u"['']", u"\"empty\""},
      {u"['a'].b", u"1"},
      {u"[\"a\"]['b ']", u"2"},
      {u"['A']", kNothing},
      // Malformed: finds nothing whatever came before.
      {u".a", kNothing},
      {u" .a", kNothing},
      {u"a..b", kNothing},
      {u"a.", kNothing},
      {u"a. .b", kNothing},
      {u"a.[0]", kNothing},
      {u"arr[1]x", kNothing},
      {u"a.b[", kNothing},
      {u"items[", kNothing},
      {u"items[ ", kNothing},
      {u"items[]", kNothing},
      {u"items[1", kNothing},
      {u"items[1x]", kNothing},
      {u"items[1 2]", kNothing},
      {u"items[- 1]", kNothing},
      {u"items[+]", kNothing},
      {u"items[$]", kNothing},
      {u"items[0x]", kNothing},
      {u"items[+$1]", kNothing},
      {u"items[1.0]", kNothing},
      {u"items[2147483648]", kNothing},
      {u"items[-2147483649]", kNothing},
      {u"items[$100000000]", kNothing},
      {u"['x.y'", kNothing},
      {u"['x.y]", kNothing},
      {u"['x.y'x]", kNothing},
      {u"['x.y\\']", kNothing},
  };
  Tree document = ParseJSON(kDocument);
  ASSERT_TRUE(document);
  for (const PathCase& c : cases) {
    EXPECT_EQ(ToUtf8(Describe(FindByKeyPath(document.Value(), c.path), document.Value())), ToUtf8(c.found))
        << "path: " << ToUtf8(c.path);
  }
}

TEST(JsonKeyPathTest, PathsFromAnArray) {
  const PathCase cases[] = {
      {u"", kSelf},     {u"  ", kSelf},    {u"[1]", u"{\"k\":\"v\"}"}, {u"[1].k", u"\"v\""}, {u"[1]['k']", u"\"v\""},
      {u"k", kNothing}, {u".k", kNothing}, {u"[0]x", kNothing},
  };
  Tree document = ParseJSON(u"[0,{\"k\":\"v\"}]");
  ASSERT_TRUE(document);
  for (const PathCase& c : cases) {
    EXPECT_EQ(ToUtf8(Describe(FindByKeyPath(document.Value(), c.path), document.Value())), ToUtf8(c.found))
        << "path: " << ToUtf8(c.path);
  }
}

TEST(JsonKeyPathTest, LeafIsFoundOnlyByTheEmptyPath) {
  for (const char16_t* text : {u"\"s\"", u"1.5", u"true", u"null"}) {
    Tree leaf = ParseJSON(text);
    ASSERT_TRUE(leaf);
    EXPECT_EQ(FindByKeyPath(leaf.Value(), u""), leaf.Value()) << ToUtf8(text);
    EXPECT_FALSE(FindByKeyPath(leaf.Value(), u" ")) << ToUtf8(text);
    EXPECT_FALSE(FindByKeyPath(leaf.Value(), u"a")) << ToUtf8(text);
  }
}

TEST(JsonKeyPathTest, FindsTheStoredItemItself) {
  Tree document = ParseJSON(u"{\"a\":[{\"b\":{}}]}");
  ASSERT_TRUE(document);
  const auto object = As<TJSONObject>(document.Value());
  const TJSONValue b = FindByKeyPath(object, u"a[0].b");
  EXPECT_EQ(b, FindByKeyPath(object, u"a[0].b"));
  EXPECT_EQ(b, As<TJSONObject>(As<TJSONArray>(object.Member(0).Value()).Element(0)).Member(0).Value());
  EXPECT_EQ(b.block(), As<TJSONObject>(As<TJSONArray>(object.Member(0).Value()).Element(0)).node()->block())
      << "the view names the block that holds the item";
}

}  // namespace
}  // namespace lumetra::json
