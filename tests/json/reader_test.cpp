#include "lumetra/json/reader.h"

#include <gtest/gtest.h>

#include <cstring>

#include "lumetra/json/items.h"
#include "lumetra/json/writer.h"

namespace lumetra::json {
namespace {

// Reads `text` and writes it back; "<not JSON>" when it does not read.
std::string RoundTrip(WideStringView text) {
  Tree tree = ParseJSON(text);
  return tree ? ToUtf8(FormatJSON(tree.Value())) : "<not JSON>";
}

TEST(JsonReaderTest, AcceptsAndNormalises) {
  const struct {
    const char16_t* text;
    const char* written;
  } cases[] = {
      {u"{}", "{}"},
      {u"[]", "[]"},
      {u"{\"a\":1,\"a\":2}", "{\"a\":1,\"a\":2}"},
      {u" \t\r\n{ \t\r\n\"a\" \t\r\n: \t\r\n[ 1 , 2 ] \t\r\n, \"b\" : { } } \t\r\n", "{\"a\":[1,2],\"b\":{}}"},
      {u" 12 ", "12"},
      {u"\n\"s\"\t", "\"s\""},
      {u" true", "true"},
      {u"false ", "false"},
      {u"null", "null"},
      {u"[true,false,null]", "[true,false,null]"},
      {u"{\"\":\"\"}", "{\"\":\"\"}"},
      {u"[[[]],[{}]]", "[[[]],[{}]]"},
      // Numbers keep their text exactly.
      {u"1.50", "1.50"},
      {u"-0", "-0"},
      {u"1E+2", "1E+2"},
      {u"[0,-0.0e-0,1e5,2.5E-3,123456789012345678901234567890]",
       "[0,-0.0e-0,1e5,2.5E-3,123456789012345678901234567890]"},
      {u"1e99999", "1e99999"},
      // Escapes, and raw control characters inside strings.
      {u"\"\\\"\\\\\\/\\b\\f\\n\\r\\t\"", "\"\\\"\\\\\\/\\b\\f\\n\\r\\t\""},
      {u"\"\\u0041\\u00e9\\u00E9\"", "\"A\\u00E9\\u00E9\""},
      {u"\"a\tb\nc\"", "\"a\\tb\\nc\""},
      {u"\"\u0001\u001F\"", "\"\\u0001\\u001F\""},
      {u"\"\\uD83D\\uDE00\"", "\"\\uD83D\\uDE00\""},
      {u"\"\U0001F600\"", "\"\\uD83D\\uDE00\""},
      {u"\"\\uDE00\"", "\"\\uDE00\""},
      {u"\"\xD800\"", "\"\\uD800\""},
      // A leading byte order mark is skipped when anything follows it.
      {u"\uFEFF{}", "{}"},
      {u"\uFEFF 1", "1"},
  };
  for (const auto& c : cases) EXPECT_EQ(RoundTrip(c.text), c.written) << ToUtf8(c.text);
}

TEST(JsonReaderTest, EmbeddedZeroCodeUnitsAreText) {
  const WideString text(u"[\"a\0b\"]", 7);
  EXPECT_EQ(RoundTrip(text), "[\"a\\u0000b\"]");
  EXPECT_EQ(RoundTrip(WideString(u"[1]\0", 4)), "<not JSON>");
}

TEST(JsonReaderTest, RejectsWhatIsNotJson) {
  const char16_t* cases[] = {
      u"",
      u" ",
      u" \t\r\n",
      u"\uFEFF",
      u"\uFEFF ",
      // Structure.
      u"{\"a\":1,}",
      u"[1,]",
      u"[,1]",
      u"{,\"a\":1}",
      u"[1 2]",
      u"{\"a\":1 \"b\":2}",
      u"{} x",
      u"{}{}",
      u"[1]]",
      u"[",
      u"]",
      u"{",
      u"}",
      u"[1",
      u"{\"a\":1",
      u"{\"a\"}",
      u"{\"a\" 1}",
      u"{\"a\":}",
      u"{a:1}",
      u"{1:1}",
      u"{'a':1}",
      u"[1,,2]",
      u"{\"a\"::1}",
      u"{\"a\":1,,\"b\":2}",
      u"[}",
      u"{]",
      // White space beyond space, tab, line feed and carriage return.
      u"\v1",
      u"\f1",
      u"1\u00A0",
      u"[\u00851]",
      u"\u30001",
      // Numbers.
      u"01",
      u"-",
      u"-.5",
      u"1.",
      u".5",
      u"+1",
      u"1e",
      u"1e+",
      u"1E-",
      u"1.e5",
      u"-01",
      u"0x10",
      u"1.5.5",
      u"- 1",
      u"Infinity",
      u"NaN",
      u"-Infinity",
      u"1 1",
      // Literals.
      u"True",
      u"FALSE",
      u"nul",
      u"nulll",
      u"tru",
      u"[t]",
      u"undefined",
      // Strings.
      u"\"abc",
      u"\"\\u123\"",
      u"\"\\u12G4\"",
      u"\"\\x41\"",
      u"\"\\a\"",
      u"\"\\U0041\"",
      u"\"\\\"",
      u"\"\\",
      u"\"\\'\"",
      u"'a'",
  };
  for (const char16_t* text : cases) {
    const size_t items = TJSONAncestor::LiveCount();
    EXPECT_FALSE(ParseJSON(text)) << ToUtf8(text);
    EXPECT_EQ(TJSONAncestor::LiveCount(), items) << ToUtf8(text);
  }
}

TEST(JsonReaderTest, FailureLateInABigTextLeavesNothingBehind) {
  WideString text = u"[";
  for (int i = 0; i < 10000; ++i) text += u"{\"k\":[1,\"s\",true,null,{}]},";
  text += u"]";
  const size_t items = TJSONAncestor::LiveCount();
  EXPECT_FALSE(ParseJSON(text));
  EXPECT_EQ(TJSONAncestor::LiveCount(), items);
}

TEST(JsonReaderTest, NestingUpToTheLimitReads) {
  const WideString text = WideString(kMaxParseDepth, u'[') + WideString(kMaxParseDepth, u']');
  Tree tree = ParseJSON(text);
  ASSERT_TRUE(tree);
  EXPECT_EQ(FormatJSON(tree.Value()), text);

  WideString objects;
  for (size_t i = 0; i < kMaxParseDepth; ++i) objects += u"{\"a\":";
  objects += u"1" + WideString(kMaxParseDepth, u'}');
  EXPECT_TRUE(ParseJSON(objects));
}

TEST(JsonReaderTest, NestingBeyondTheLimitIsNotJson) {
  const size_t items = TJSONAncestor::LiveCount();
  const WideString one_deeper = WideString(kMaxParseDepth + 1, u'[') + WideString(kMaxParseDepth + 1, u']');
  EXPECT_FALSE(ParseJSON(one_deeper));
  EXPECT_FALSE(ParseJSON(WideString(1'000'000, u'[')));
  WideString objects;
  for (int i = 0; i < 1'000'000; ++i) objects += u"{\"a\":";
  EXPECT_FALSE(ParseJSON(objects));
  EXPECT_EQ(TJSONAncestor::LiveCount(), items);
}

TEST(JsonReaderTest, BuildsTheItemKinds) {
  Tree tree = ParseJSON(u"[\"s\",1,true,false,null,{\"k\":[]}]");
  ASSERT_TRUE(tree);
  const auto array = As<TJSONArray>(tree.Value());
  ASSERT_EQ(array.Count(), 6u);
  EXPECT_EQ(array.Element(0).kind(), Kind::kString);
  EXPECT_EQ(array.Element(1).kind(), Kind::kNumber);
  EXPECT_TRUE(As<TJSONTrue>(array.Element(2)));
  EXPECT_TRUE(As<TJSONFalse>(array.Element(3)));
  EXPECT_TRUE(array.Element(4).IsNull());
  const auto object = As<TJSONObject>(array.Element(5));
  ASSERT_TRUE(object);
  ASSERT_EQ(object.Count(), 1u);
  EXPECT_EQ(object.Member(0).Key(), u"k");
  EXPECT_EQ(As<TJSONArray>(object.Member(0).Value()).Count(), 0u);
  EXPECT_EQ(tree.Value().block()->kind, BlockKind::kRoot) << "the root is alone in its block";
}

// A string's end and its first escape are found four code units at a time:
// wherever they fall (any lane, the tail, the end of the input), the text is
// read whole and nothing after it.
TEST(JsonReaderTest, StringsEndAndEscapeInEveryLane) {
  for (size_t before = 0; before < 9; ++before) {
    for (size_t after = 0; after < 9; ++after) {
      const WideString plain(before, u'a');
      const WideString rest(after, u'b');
      SCOPED_TRACE(std::to_string(before) + " before, " + std::to_string(after) + " after");
      const struct {
        WideString json;
        WideString text;
      } cases[] = {
          {u"\"" + plain + u"\"", plain},
          {u"[\"" + plain + u"\",\"" + rest + u"\"]", plain},
          {u"\"" + plain + u"\\n" + rest + u"\"", plain + u"\n" + rest},
          {u"[\"" + plain + u"\\\"" + rest + u"\\u00e9\"]", plain + u"\"" + rest + u"\u00E9"},
      };
      for (const auto& c : cases) {
        Tree tree = ParseJSON(c.json);
        ASSERT_TRUE(tree) << ToUtf8(c.json);
        const TJSONValue value =
            tree.Value().kind() == Kind::kArray ? As<TJSONArray>(tree.Value()).Element(0) : tree.Value();
        EXPECT_EQ(TextAsWide(*value.node()), c.text) << ToUtf8(c.json);
      }
      EXPECT_FALSE(ParseJSON(u"\"" + plain + rest)) << "never closed";
      EXPECT_FALSE(ParseJSON(u"\"" + plain + u"\\")) << "ends in a backslash";
    }
  }
}

// The reader packs a number while scanning it; the node must be the one
// MakeTextNode makes of the same text (which the writer, compare and copy
// read), whatever the length and wherever runs of four digits fall.
TEST(JsonReaderTest, NumbersReadIntoTheNodeMakeTextNodeMakes) {
  const char16_t* const numbers[] = {
      u"0",
      u"-12345678901234",                // 15: the shortest packed
      u"12345678901234",                 // 14: inline Latin-1
      u"-65.613616999999977",            // canada.json's kind
      u"43.420273000000009",             //
      u"1.5e+123456789012",              // exponent digits across the halves
      u"-0.000000000001E-5",             //
      u"123456789012345.5",              // four-digit runs crossing character 16
      u"1234567890123.456789012345",     // 26
      u"-123456789012345678901234.56",   // 28: the longest packed
      u"12345678901234567890123456.7",   //
      u"1234567890123456789012345678",   //
      u"12345678901234567890123456789",  // 29: out of line
      u"-9.99999999999999999999999999999e-99999",
  };
  for (const char16_t* number : numbers) {
    NewItem made = NewNumber(number);
    const Node& expected = *made.View().node();
    // In an array, and alone (its last digits then come one by one at the end of the text).
    for (const bool alone : {false, true}) {
      SCOPED_TRACE(ToUtf8(number) + (alone ? " alone" : " in an array"));
      const WideString text = alone ? WideString(number) : u"[" + WideString(number) + u"]";
      Tree tree = ParseJSON(text);
      ASSERT_TRUE(tree);
      const Node& read = alone ? *tree.Value().node() : *As<TJSONArray>(tree.Value()).Element(0).node();
      EXPECT_EQ(read.form(), expected.form());
      if (read.form() == TextForm::kLatin1 || read.form() == TextForm::kWide) {
        EXPECT_EQ(TextAsWide(read), TextAsWide(expected));
      } else {
        EXPECT_EQ(std::memcmp(read.bytes, expected.bytes, sizeof read.bytes), 0);
      }
      EXPECT_EQ(FormatJSON(tree.Value()), text);
    }
  }
}

}  // namespace
}  // namespace lumetra::json
