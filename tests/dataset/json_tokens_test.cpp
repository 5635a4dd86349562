#include "lumetra/dataset/json_tokens.h"

#include <gtest/gtest.h>

#include <ostream>

#include <charconv>
#include <string>

#include "lumetra/automation/values/errors.h"
#include "lumetra/automation/values/variant_convert.h"
#include "tests/test_names.h"

namespace lumetra::dataset {
namespace {

std::string Describe(const Token& token) {
  switch (token.kind) {
    case TokenKind::StartObject:
      return "{";
    case TokenKind::EndObject:
      return "}";
    case TokenKind::StartArray:
      return "[";
    case TokenKind::EndArray:
      return "]";
    case TokenKind::PropertyName:
      return "name:" + ToUtf8(token.text);
    case TokenKind::String:
      return "str:" + ToUtf8(token.text);
    case TokenKind::Integer:
      return (token.is64 ? "i64:" : "i32:") + std::to_string(token.integer);
    case TokenKind::Float: {
      char buffer[64];
      const auto end = std::to_chars(buffer, buffer + sizeof buffer, token.number).ptr;
      return "f:" + std::string(buffer, end);
    }
    case TokenKind::Boolean:
      return token.boolean ? "true" : "false";
    case TokenKind::Null:
      return "null";
    case TokenKind::Undefined:
      return "undef";
    case TokenKind::Comment:
      return "comment:" + ToUtf8(token.text);
  }
  return "?";
}

// All tokens of the text, blank-separated; "ERROR" where the reader throws.
std::string Tokens(std::u16string_view text) {
  JsonTokenReader reader(text);
  Token token;
  std::string out;
  const auto append = [&out](const std::string& word) {
    if (!out.empty()) out += ' ';
    out += word;
  };
  try {
    while (reader.Next(token)) append(Describe(token));
  } catch (const Error&) {
    append("ERROR");
  }
  return out;
}

struct TokenCase {
  std::u16string text;
  std::string tokens;
};

std::ostream& operator<<(std::ostream& out, const TokenCase& c) { return out << ToUtf8(c.text); }

class JsonTokenReaderCaseTest : public ::testing::TestWithParam<TokenCase> {};

TEST_P(JsonTokenReaderCaseTest, ReadsTheTokens) {
  EXPECT_EQ(Tokens(GetParam().text), GetParam().tokens) << ToUtf8(GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JsonTokenReaderCaseTest,
    ::testing::Values(TokenCase{u"", ""}, TokenCase{u"  \r\n\t ", ""},
                      TokenCase{u"{\"a\":1,\"b\":\"x\"}", "{ name:a i32:1 name:b str:x }"}, TokenCase{u"{}", "{ }"},
                      TokenCase{u"[]", "[ ]"},
                      // Integers: 32 bits when they fit, then 64 bits, beyond that a float.
                      TokenCase{u"[2147483647,-2147483648,2147483648,-2147483649]",
                                "[ i32:2147483647 i32:-2147483648 i64:2147483648 i64:-2147483649 ]"},
                      TokenCase{u"[9223372036854775807,-9223372036854775808,9223372036854775808]",
                                "[ i64:9223372036854775807 i64:-9223372036854775808 f:9223372036854775808 ]"},
                      TokenCase{u"[5.0,1e3,-2.5E-1,0.1]", "[ f:5 f:1000 f:-0.25 f:0.1 ]"},
                      TokenCase{u"[1e999,-1e999,1e-999]", "[ f:inf f:-inf f:0 ]"},
                      TokenCase{u"[NaN,Infinity,-Infinity]", "[ f:nan f:inf f:-inf ]"},
                      TokenCase{u"[true,false,null,undefined]", "[ true false null undef ]"},
                      // Lenient syntax: single quotes, unquoted names, empty array elements.
                      TokenCase{u"{'a':'it''s'}", "{ name:a str:it ERROR"},
                      TokenCase{u"{'a':'say \"hi\"', b:'\\''}", "{ name:a str:say \"hi\" name:b str:' }"},
                      TokenCase{u"{name_1:1,$x:2}", "{ name:name_1 i32:1 name:$x i32:2 }"},
                      TokenCase{u"[1,,2]", "[ i32:1 undef i32:2 ]"}, TokenCase{u"[,1]", "[ undef i32:1 ]"},
                      TokenCase{u"[1,]", "[ i32:1 ERROR"},
                      // Comments come as tokens wherever they stand.
                      TokenCase{u"/*a*/{\"x\"/*b*/:/*c*/1//d\n}",
                                "comment:a { name:x comment:b comment:c i32:1 comment:d }"},
                      TokenCase{u"{\"x\":1}// end", "{ name:x i32:1 } comment: end"}, TokenCase{u"/* open", "ERROR"},
                      // Escapes.
                      TokenCase{u"[\"a\\n\\t\\\"\\\\\\/\\u00f1\\u20AC\"]", "[ str:a\n\t\"\\/ñ€ ]"},
                      TokenCase{u"[\"\\x\"]", "[ ERROR"},
                      // Syntax errors end the stream where they stand.
                      TokenCase{u"{\"a\":1 \"b\":2}", "{ name:a i32:1 ERROR"},
                      TokenCase{u"{\"a\" 1}", "{ name:a ERROR"}, TokenCase{u"{\"a\":1,}", "{ name:a i32:1 ERROR"},
                      TokenCase{u"[1 2]", "[ i32:1 ERROR"}, TokenCase{u"{\"a\":[1,2", "{ name:a [ i32:1 i32:2 ERROR"},
                      TokenCase{u"{\"a\":1}x", "{ name:a i32:1 } ERROR"}, TokenCase{u"{\"a\":12abc}", "{ name:a ERROR"},
                      TokenCase{u"{\"a\":tru}", "{ name:a ERROR"}, TokenCase{u"{\"a\":-}", "{ name:a ERROR"},
                      TokenCase{u"{\"a\":1.}", "{ name:a ERROR"}, TokenCase{u"[\"open", "[ ERROR"},
                      TokenCase{u"]", "ERROR"}, TokenCase{u"5 6", "i32:5 ERROR"}),
    lumetra::testing::NameFrom<&TokenCase::text>{});

TEST(JsonTokenReaderTest, FloatsIgnoreTheRegionalSeparator) {
  SetDecimalSeparator(u',');
  JsonTokenReader reader(u"1.5");
  Token token;
  ASSERT_TRUE(reader.Next(token));
  EXPECT_EQ(token.kind, TokenKind::Float);
  EXPECT_DOUBLE_EQ(token.number, 1.5);
  EXPECT_FALSE(reader.Next(token));
  SetDecimalSeparator(u'.');
}

}  // namespace
}  // namespace lumetra::dataset
