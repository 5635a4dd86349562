#include "lumetra/dataset/ds_to_json.h"

#include <gtest/gtest.h>

#include <ostream>

#include <sstream>
#include <string>
#include <vector>

#include "lumetra/automation/values/errors.h"
#include "test_packets.h"

namespace lumetra::dataset {
namespace {

using testing::ChangeLogOf;
using testing::FixtureW;
using testing::RowsOf;
using testing::RowView;

std::string StatusName(RowStatus status) {
  switch (status) {
    case RowStatus::Unchanged:
      return "unchanged";
    case RowStatus::Inserted:
      return "inserted";
    case RowStatus::Modified:
      return "modified";
    case RowStatus::Deleted:
      return "deleted";
    case RowStatus::DetailUpdated:
      return "detail";
  }
  return "?";
}

// Evaluates "PATH=EXPECTED" against the stored records of a packet. PATH is
// "rows" (the number of stored records) or a record index followed by
// ".status", ".FIELD" (null when absent), ".NESTED.count" or ".NESTED#k.FIELD".
std::string Actual(const std::vector<RowView>& rows, const std::string& path) {
  if (path == "rows") return std::to_string(rows.size());
  const size_t dot = path.find_first_of(".#");
  const size_t index = std::stoul(path.substr(0, dot));
  if (index >= rows.size()) return "<no record " + std::to_string(index) + ">";
  const RowView& row = rows[index];
  const std::string rest = path.substr(dot + 1);
  if (rest == "status") return StatusName(row.status);
  const size_t sub = rest.find_first_of(".#");
  if (sub != std::string::npos) {
    const auto& details = row.details.at(rest.substr(0, sub));
    if (rest.substr(sub) == ".count") return std::to_string(details.size());
    return Actual(details, rest.substr(sub + 1));
  }
  const auto found = row.values.find(rest);
  return found == row.values.end() ? "null" : found->second;
}

struct DsCase {
  std::string title;
  std::string fixture;  // "" for an empty packet text
  std::u16string json;
  std::u16string key_field;
  KeyValue key;
  std::u16string op;
  bool empty_result;
  std::vector<std::string> checks;  // "PATH=EXPECTED"
  std::string change_log = "-";     // expected CHANGE_LOG of the main level; "-" not checked
};

KeyValue Key(Variant value) { return KeyValue{std::move(value), std::nullopt}; }
KeyValue Keys(std::vector<Variant> values) { return KeyValue{Variant(), std::move(values)}; }

std::ostream& operator<<(std::ostream& out, const DsCase& c) { return out << c.title; }

class DSToJSONCaseTest : public ::testing::TestWithParam<DsCase> {};

TEST_P(DSToJSONCaseTest, Case) {
  const DsCase& c = GetParam();
  const WideString packet = c.fixture.empty() ? WideString() : FixtureW(c.fixture);
  const WideString result = DSToJSON(packet, c.json, c.key_field, c.key, c.op);
  if (c.empty_result) {
    EXPECT_EQ(result, u"") << ToUtf8(result);
    return;
  }
  ASSERT_NE(result, u"");
  EXPECT_NE(result.front(), u' ');
  const auto rows = RowsOf(result);
  for (const std::string& check : c.checks) {
    const size_t eq = check.find('=');
    EXPECT_EQ(Actual(rows, check.substr(0, eq)), check.substr(eq + 1)) << check << "\n" << ToUtf8(result);
  }
  if (c.change_log != "-") {
    EXPECT_EQ(ChangeLogOf(result), c.change_log) << ToUtf8(result);
  }
}

const Variant kNull = Variant::Null();

// One case to a few lines, laid out by hand.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    EdgeCases, DSToJSONCaseTest,
    ::testing::Values(
        // Operation letters.
        DsCase{"M modifies the record found by the key", "people.xml", u"{\"NAME\":\"Bob\"}", u"ID", Key(Variant::I4(2)),
               u"M", false, {"rows=3", "1.NAME=Bob", "1.status=modified", "0.status=unchanged", "0.NAME=Ana"},
               "3 2 8"},
        DsCase{"M without a match modifies the first record", "people.xml", u"{\"NAME\":\"X\"}", u"ID",
               Key(Variant::I4(99)), u"M", false, {"0.NAME=X", "0.ID=1", "1.NAME=Bruno"}, "2 1 8"},
        DsCase{"M without rows inserts a record without the key", "no_rows.xml", u"{\"NAME\":\"Z\"}", u"ID",
               Key(Variant::I4(5)), u"M", false, {"rows=1", "0.NAME=Z", "0.ID=null", "0.status=inserted"}, "1 0 4"},
        DsCase{"D returns nothing when found", "people.xml", u"{}", u"ID", Key(Variant::I4(2)), u"D", true, {}},
        DsCase{"D returns nothing when not found", "people.xml", u"{}", u"ID", Key(Variant::I4(9)), u"D", true, {}},
        DsCase{"D on an empty dataset", "no_rows.xml", u"{}", u"ID", Key(Variant::I4(9)), u"D", true, {}},
        DsCase{"lower-case c is no operation", "people.xml", u"{\"NAME\":\"x\"}", u"ID", Key(Variant::I4(1)), u"c",
               true, {}},
        DsCase{"X is no operation", "people.xml", u"{\"NAME\":\"x\"}", u"ID", Key(Variant::I4(1)), u"X", true, {}},
        DsCase{"an empty letter is no operation", "people.xml", u"{\"NAME\":\"x\"}", u"ID", Key(Variant::I4(1)), u"",
               true, {}},
        DsCase{"C with a blank is no operation", "people.xml", u"{\"NAME\":\"x\"}", u"ID", Key(Variant::I4(1)), u"C ",
               true, {}},
        DsCase{"no operation but a nested array edits the first record", "people.xml",
               u"{\"PETS\":[{\"PET\":\"cat\"}],\"NAME\":\"Ann\"}", u"ID", Key(Variant::I4(3)), u"X", false,
               {"0.status=modified", "0.NAME=Ann", "0.PETS.count=1", "0.PETS#0.PET=cat", "0.PETS#0.status=inserted"},
               "2 1 8"},
        DsCase{"C with empty JSON appends the key only", "people.xml", u"", u"ID", Key(Variant::I4(10)), u"C", false,
               {"rows=4", "3.ID=10", "3.NAME=null", "3.status=inserted"}, "4 0 4"},
        DsCase{"C: a JSON property overwrites the key", "people.xml", u"{\"id\":11}", u"ID", Key(Variant::I4(10)),
               u"C", false, {"3.ID=11"}},
        DsCase{"C: a null key leaves the field null", "people.xml", u"{\"NAME\":\"n\"}", u"ID", Key(kNull), u"C",
               false, {"3.ID=null", "3.NAME=n"}},
        DsCase{"C: the key from text converts by the field type", "people.xml", u"", u"ID",
               Key(Variant::String(u"12")), u"C", false, {"3.ID=12"}},
        DsCase{"C does not split a key list", "people.xml", u"{}", u"ID;CODE", Keys({Variant::I4(1)}), u"C", true, {}},
        DsCase{"C with a key that names no field", "people.xml", u"{}", u"NOPE", Key(Variant::I4(1)), u"C", true, {}},
        DsCase{"empty packet text", "", u"{\"NAME\":\"x\"}", u"ID", Key(Variant::I4(1)), u"C", true, {}},
        // The application stops at the first failure and keeps what it wrote.
        DsCase{"a property that names no field stops the application", "people.xml",
               u"{\"NAME\":\"N1\",\"NOPE\":1,\"CODE\":\"C3\"}", u"ID", Key(Variant::I4(1)), u"M", false,
               {"0.NAME=N1", "0.CODE=A1"}},
        DsCase{"a syntax error stops the application", "people.xml", u"{\"NAME\":\"N1\",\"AGE\":5 \"CODE\":\"Z\"}",
               u"ID", Key(Variant::I4(1)), u"M", false, {"0.NAME=N1", "0.AGE=5", "0.CODE=A1"}},
        DsCase{"digits in a string do not go into an integer field", "people.xml",
               u"{\"AGE\":\"12\",\"NAME\":\"after\"}", u"ID", Key(Variant::I4(1)), u"M", false,
               {"0.AGE=30", "0.NAME=Ana", "0.status=modified"}},
        DsCase{"5.0 does not go into an integer field", "people.xml", u"{\"AGE\":5.0,\"NAME\":\"after\"}", u"ID",
               Key(Variant::I4(1)), u"M", false, {"0.AGE=30", "0.NAME=Ana"}},
        DsCase{"an integer beyond the field's range", "people.xml", u"{\"AGE\":40000,\"NAME\":\"after\"}", u"ID",
               Key(Variant::I4(1)), u"M", false, {"0.AGE=30", "0.NAME=Ana"}},
        DsCase{"a 64-bit integer gives its low 32 bits", "people.xml", u"{\"AGE\":4294967297}", u"ID",
               Key(Variant::I4(1)), u"M", false, {"0.AGE=1"}},
        DsCase{"a read-only field", "people.xml", u"{\"LOCKED\":\"y\",\"NAME\":\"after\"}", u"ID",
               Key(Variant::I4(1)), u"M", false, {"0.LOCKED=x", "0.NAME=Ana"}},
        DsCase{"an array under a field that is not nested", "people.xml", u"{\"NAME\":[1],\"CODE\":\"Z\"}", u"ID",
               Key(Variant::I4(1)), u"M", false, {"0.NAME=Ana", "0.CODE=A1"}},
        // The conversion table.
        DsCase{"5 into a floating field", "people.xml", u"{\"SALARY\":5}", u"ID", Key(Variant::I4(1)), u"M", false,
               {"0.SALARY=5"}},
        DsCase{"null into text and date fields", "people.xml", u"{\"NAME\":null,\"BORN\":null}", u"ID",
               Key(Variant::I4(1)), u"M", false, {"0.NAME=", "0.BORN=18991230"}},
        DsCase{"1 into a boolean field", "people.xml", u"{\"ACTIVE\":1,\"NAME\":\"after\"}", u"ID",
               Key(Variant::I4(1)), u"M", false, {"0.ACTIVE=TRUE", "0.NAME=Ana"}},
        DsCase{"booleans and empties", "people.xml", u"{\"ACTIVE\":false,\"AGE\":null,\"SALARY\":undefined}", u"ID",
               Key(Variant::I4(1)), u"M", false, {"0.ACTIVE=FALSE", "0.AGE=0", "0.SALARY=0"}},
        DsCase{"text into a boolean field", "people.xml", u"{\"ACTIVE\":\"true\",\"NAME\":\"after\"}", u"ID",
               Key(Variant::I4(1)), u"M", false, {"0.ACTIVE=TRUE", "0.NAME=Ana"}},
        DsCase{"a number into a text field", "people.xml", u"{\"NAME\":5,\"CODE\":\"after\"}", u"ID",
               Key(Variant::I4(1)), u"M", false, {"0.NAME=Ana", "0.CODE=A1"}},
        DsCase{"keys match field names in any case", "people.xml", u"{\"name\":\"lower\",\"Age\":7}", u"ID",
               Key(Variant::I4(1)), u"M", false, {"0.NAME=lower", "0.AGE=7"}},
        DsCase{"date texts", "people.xml", u"{\"BORN\":\"2001-02-03\",\"SEEN\":\"2020-01-02 03:04:05\"}", u"ID",
               Key(Variant::I4(1)), u"M", false, {"0.BORN=20010203", "0.SEEN=20200102T03:04:05000"}},
        DsCase{"short date text", "people.xml", u"{\"BORN\":\"03/02/2001\",\"SEEN\":\"3/2/2001 7:08\"}", u"ID",
               Key(Variant::I4(1)), u"M", false, {"0.BORN=20010203", "0.SEEN=20010203T07:08:00000"}},
        DsCase{"days as text, numbers and booleans", "people.xml",
               u"{\"BORN\":\"2.75\",\"SEEN\":1.5,\"NAME\":\"n\"}", u"ID", Key(Variant::I4(1)), u"M", false,
               {"0.BORN=19000101", "0.SEEN=18991231T12:00:00000", "0.NAME=n"}},
        DsCase{"true is the day before", "people.xml", u"{\"BORN\":true,\"SEEN\":3}", u"ID", Key(Variant::I4(1)),
               u"M", false, {"0.BORN=18991229", "0.SEEN=19000102T00:00:00000"}},
        DsCase{"an invalid date text stops", "people.xml", u"{\"BORN\":\"yesterday\",\"NAME\":\"n\"}", u"ID",
               Key(Variant::I4(1)), u"M", false, {"0.BORN=19940115", "0.NAME=Ana"}},
        DsCase{"general fields convert by their type", "people.xml",
               u"{\"BIG\":\"123\",\"NOTES\":\"memo\"}", u"ID", Key(Variant::I4(1)), u"M", false,
               {"0.BIG=123", "0.NOTES=bWVtbw=="}},
        DsCase{"a 64-bit integer into a general integer field", "people.xml", u"{\"BIG\":9007199254740993}", u"ID",
               Key(Variant::I4(1)), u"M", false, {"0.BIG=9007199254740993"}},
        DsCase{"text a general integer field cannot take", "people.xml", u"{\"BIG\":\"abc\",\"NAME\":\"n\"}", u"ID",
               Key(Variant::I4(1)), u"M", false, {"0.BIG=null", "0.NAME=Ana"}},
        DsCase{"a comment as value counts as text", "people.xml", u"{\"NAME\": /*c*/ 5}", u"ID", Key(Variant::I4(1)),
               u"M", false, {"0.NAME=c"}},
        DsCase{"properties of nested objects go to the main record", "people.xml",
               u"{\"CODE\":{\"NAME\":\"inner\"}}", u"ID", Key(Variant::I4(1)), u"M", false, {"0.CODE=", "0.NAME=inner"}},
        DsCase{"a top-level array writes a field twice", "people.xml", u"[{\"NAME\":\"first\"},{\"NAME\":\"second\"}]",
               u"ID", Key(Variant::I4(1)), u"M", false, {"0.NAME=second"}},
        // Nested datasets.
        DsCase{"two detail objects append two detail records", "people.xml",
               u"{\"PETS\":[{\"PET\":\"cat\",\"LEGS\":4},{\"pet\":\"bird\",\"legs\":2}]}", u"ID", Key(Variant::I4(2)),
               u"M", false, {"1.PETS.count=2", "1.PETS#0.PET=cat", "1.PETS#0.LEGS=4", "1.PETS#1.PET=bird",
                             "1.PETS#1.LEGS=2", "0.PETS.count=0"}},
        DsCase{"an empty array appends none", "people.xml", u"{\"PETS\":[],\"NAME\":\"n\"}", u"ID", Key(Variant::I4(1)),
               u"M", false, {"0.PETS.count=0", "0.NAME=n"}},
        DsCase{"an array of numbers appends none", "people.xml", u"{\"PETS\":[1,2,3],\"NAME\":\"n\"}", u"ID",
               Key(Variant::I4(1)), u"M", false, {"0.PETS.count=0", "0.NAME=n"}},
        DsCase{"text cut off after a detail object", "people.xml", u"{\"PETS\":[{\"PET\":\"cat\"},", u"ID",
               Key(Variant::I4(1)), u"M", false, {"0.PETS.count=1", "0.PETS#0.PET=cat"}},
        DsCase{"text cut off inside a detail object", "people.xml", u"{\"PETS\":[{\"PET\":\"cat\"", u"ID",
               Key(Variant::I4(1)), u"M", false, {"0.PETS.count=1", "0.PETS#0.PET=cat"}},
        DsCase{"an empty detail object is posted as an empty record", "people.xml", u"{\"PETS\":[{}]}", u"ID",
               Key(Variant::I4(1)), u"M", false, {"0.PETS.count=1", "0.PETS#0.PET=null", "0.PETS#0.status=inserted"}},
        DsCase{"a failed detail write stops the application", "people.xml",
               u"{\"PETS\":[{\"PET\":\"cat\",\"LEGS\":\"four\"},{\"PET\":\"dog\"}],\"NAME\":\"n\"}", u"ID",
               Key(Variant::I4(1)), u"M", false, {"0.PETS.count=1", "0.PETS#0.PET=cat", "0.NAME=Ana"}},
        DsCase{"details of an appended record", "orders.xml",
               u"{\"CUSTOMER\":\"Eva\",\"LINES\":[{\"LINE_NO\":1,\"ITEM\":\"Sal\",\"PRICE\":0.5}]}", u"ORDER_ID",
               Key(Variant::I4(3)), u"C", false, {"2.ORDER_ID=3", "2.LINES.count=1", "2.LINES#0.ITEM=Sal",
                                                  "2.LINES#0.PRICE=0.5", "0.LINES.count=2"}},
        DsCase{"a detail record without its required field", "orders.xml", u"{\"LINES\":[{\"LINE_NO\":3}]}",
               u"ORDER_ID", Key(Variant::I4(1)), u"M", true, {}},
        // Required fields.
        DsCase{"a required field left empty", "required.xml", u"{}", u"ID", Key(Variant::I4(2)), u"C", true, {}},
        DsCase{"a required field written", "required.xml", u"{\"NAME\":\"dos\"}", u"ID", Key(Variant::I4(2)), u"C",
               false, {"1.NAME=dos", "1.ID=2"}},
        // Locating the key.
        DsCase{"text keys compare whole and by case", "people.xml", u"{\"NAME\":\"k\"}", u"CODE",
               Key(Variant::String(u"b2")), u"M", false, {"1.NAME=k", "2.NAME=Berta"}},
        DsCase{"a partial text key matches nothing", "people.xml", u"{\"NAME\":\"k\"}", u"CODE",
               Key(Variant::String(u"B")), u"M", false, {"0.NAME=k"}},
        DsCase{"several key fields with an array", "people.xml", u"{\"NAME\":\"k\"}", u" code ; AGE",
               Keys({Variant::String(u"B2"), Variant::I4(41)}), u"M", false, {"2.NAME=k", "1.NAME=Bruno"}},
        DsCase{"several key fields without an array", "people.xml", u"{\"NAME\":\"k\"}", u"CODE;AGE",
               Key(Variant::String(u"B2")), u"M", true, {}},
        DsCase{"one key field takes element 0 of an array", "people.xml", u"{\"NAME\":\"k\"}", u"ID",
               Keys({Variant::I4(3), Variant::I4(1)}), u"M", false, {"2.NAME=k"}},
        DsCase{"a null key matches a null field", "people.xml", u"{\"NAME\":\"k\"}", u"SALARY", Key(kNull), u"M",
               false, {"1.NAME=k"}},
        DsCase{"a key of an unsupported type", "people.xml", u"{\"NAME\":\"k\"}", u"NOTES",
               Key(Variant::String(u"x")), u"M", true, {}},
        DsCase{"a key that cannot be converted", "people.xml", u"{\"NAME\":\"k\"}", u"ID",
               Key(Variant::String(u"abc")), u"M", true, {}},
        DsCase{"a boolean key", "people.xml", u"{\"NAME\":\"k\"}", u"ACTIVE", Key(Variant::Bool(true)), u"M", false,
               {"0.NAME=k"}},
        DsCase{"a date key", "people.xml", u"{\"NAME\":\"k\"}", u"BORN", Key(Variant::Date(34349)), u"M", false,
               {"0.NAME=k"}},
        // An existing change log.
        DsCase{"a change adds to an existing change log", "change_log.xml", u"{\"NAME\":\"UNO\"}", u"ID",
               Key(Variant::I4(1)), u"M", false,
               {"rows=4", "0.status=modified", "0.NAME=UNO", "1.NAME=DOS", "2.status=deleted", "3.status=inserted"},
               "6 0 4 4 3 8 5 0 2 2 1 8"},
        DsCase{"an inserted record stays inserted", "change_log.xml", u"{\"NAME\":\"four\"}", u"ID",
               Key(Variant::I4(4)), u"M", false, {"3.status=inserted", "3.NAME=four"}, "5 0 4 3 2 8 4 0 2"},
        DsCase{"a modified record keeps its original", "change_log.xml", u"{\"NAME\":\"Dos\"}", u"ID",
               Key(Variant::I4(2)), u"M", false, {"1.status=modified", "1.NAME=Dos"}, "5 0 4 3 2 8 4 0 2"},
        DsCase{"deleted records are not found", "change_log.xml", u"{\"NAME\":\"x\"}", u"ID", Key(Variant::I4(3)),
               u"M", false, {"0.NAME=x", "2.NAME=tres"}}),
    [](const ::testing::TestParamInfo<DsCase>& info) {
      std::string name;
      for (char c : info.param.title) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });
// clang-format on

TEST(DSToJSONTest, APacketThatCannotBeLoadedThrows) {
  EXPECT_THROW(DSToJSON(u"<DATAPACKET", u"{}", u"ID", Key(Variant::I4(1)), u"M"), Error);
  EXPECT_THROW(DSToJSON(u"<x/>", u"{}", u"ID", Key(Variant::I4(1)), u"X"), Error);
}

TEST(DSToJSONTest, AnArrayArgumentGivesItsElementsAsKeys) {
  const Variant array = Variant::ArrayOf(vt::Variant, {Variant::String(u"B2"), Variant::I4(41)});
  const KeyValue key = KeyValue::From(Variant::ByRef(array));
  ASSERT_TRUE(key.elements.has_value());
  EXPECT_EQ(*key.elements, array.array_elements());
  EXPECT_NE(DSToJSON(FixtureW("people.xml"), u"{\"NAME\":\"k\"}", u"CODE;AGE", key, u"M"), u"");
  EXPECT_FALSE(KeyValue::From(Variant::I4(1)).elements.has_value());

  const KeyValue empty = KeyValue::From(Variant::ArrayOf(vt::Variant));
  ASSERT_TRUE(empty.elements.has_value());
  EXPECT_EQ(DSToJSON(FixtureW("people.xml"), u"{}", u"ID", empty, u"M"), u"");  // fails quietly
}

TEST(DSToJSONTest, OurOutputLoadsAgainAndKeepsEverything) {
  // Two operations in a row: the second works on the output of the first.
  const WideString first = DSToJSON(
      FixtureW("all_types.xml"), u"{\"S\":\"nuevo\",\"WS\":\"€uro\",\"F\":0.1,\"D\":\"2024-02-29\",\"BLOB\":\"bytes\"}",
      u"I4", Key(Variant::I4(99)), u"C");
  ASSERT_NE(first, u"");
  const WideString second = DSToJSON(first, u"{\"S\":\"otra\"}", u"I4", Key(Variant::I4(7)), u"M");
  ASSERT_NE(second, u"");
  const auto rows = RowsOf(second);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2].status, RowStatus::Inserted);
  EXPECT_EQ(rows[2].values.at("S"), "nuevo");
  EXPECT_EQ(rows[2].values.at("WS"), "€uro");
  EXPECT_EQ(rows[2].values.at("F"), "0.1");
  EXPECT_EQ(rows[2].values.at("D"), "20240229");
  EXPECT_EQ(rows[2].values.at("AI"), "3");  // the next autoincrement value
  EXPECT_EQ(rows[1].status, RowStatus::Modified);
  EXPECT_EQ(rows[1].values.at("S"), "otra");
  EXPECT_EQ(rows[1].original.at("S"), "");
  // Every other value of the first row comes through as it was.
  const auto original = RowsOf(FixtureW("all_types.xml"));
  EXPECT_EQ(rows[0].values, original[0].values);
  EXPECT_EQ(ChangeLogOf(second), "4 0 4 3 2 8");
  // And the output of the output is the same text.
  EXPECT_EQ(DSToJSON(second, u"", u"I4", Key(Variant::I4(99)), u"M"), second);
}

// Text that XML 1.0 cannot carry (C0 controls other than tab, CR and LF, NUL,
// U+FFFE, U+FFFF, lone surrogates) is refused as any value a field cannot
// take: the application stops there and the text is never written, cut or
// replaced. What is returned loads again and works as a packet.
TEST(DSToJSONTest, TextThatXmlCannotCarryIsRefused) {
  const std::u16string texts[] = {u"a\\u0001b", u"\\b",      u"\\f",       u"a\\u0000b", u"\\u001F",
                                  u"x\\uFFFE",  u"\\uFFFFy", u"a\\uD800b", u"\\uDC00",   u"\\uDFFF\\uD800",
                                  u"\\uD83D",   u"a\u0002b"};  // the last one raw, not escaped
  for (const char16_t* field : {u"S", u"FC", u"G", u"WS", u"FWC"}) {
    for (const std::u16string& text : texts) {
      const std::u16string json = u"{\"" + std::u16string(field) + u"\":\"" + text + u"\",\"I8\":5}";
      SCOPED_TRACE(ToUtf8(json));
      const WideString result = DSToJSON(FixtureW("all_types.xml"), json, u"I4", Key(Variant::I4(7)), u"M");
      ASSERT_NE(result, u"");
      std::vector<RowView> rows;
      ASSERT_NO_THROW(rows = RowsOf(result)) << ToUtf8(result);
      ASSERT_EQ(rows.size(), 2u);
      // Neither the refused text nor the value after it was written.
      const auto original = RowsOf(FixtureW("all_types.xml"));
      EXPECT_EQ(rows[1].values, original[1].values) << ToUtf8(result);
      EXPECT_NE(DSToJSON(result, u"{\"S\":\"again\"}", u"I4", Key(Variant::I4(7)), u"M"), u"");
    }
  }
}

TEST(DSToJSONTest, AKeyTextThatXmlCannotCarryFailsTheAppend) {
  for (const WideString& key : {WideString(u"a\u0001b"), WideString(u"a\0b", 3), WideString(u"\xFFFF"),
                                WideString(u"\xD800"), WideString(u"b\xDC00")}) {
    SCOPED_TRACE(ToUtf8(key));
    EXPECT_EQ(DSToJSON(FixtureW("people.xml"), u"{\"AGE\":1}", u"NAME", Key(Variant::String(key)), u"C"), u"");
  }
}

// Tab, CR and LF go out as character references, since a parser turns them
// into blanks in an attribute; every other character of XML comes back as it was.
TEST(DSToJSONTest, TextComesBackAsWritten) {
  const WideString texts[] = {u"a\tb",
                              u"a\rb",
                              u"a\nb",
                              u"\r\n\t ",
                              u" lead and trail ",
                              u"\x7F\x80\x9F",
                              u"\xD7FF\xE000\xFFFD",
                              u"\xD83D\xDE00",
                              u"\xDBFF\xDFFF",
                              u"<&>\"'",
                              u"  two  blanks  "};
  for (const WideString& text : texts) {
    SCOPED_TRACE(ToUtf8(text));
    std::u16string escaped;
    for (char16_t c : text) {
      static const char16_t kHex[] = u"0123456789ABCDEF";
      escaped += u"\\u";
      for (int shift = 12; shift >= 0; shift -= 4) escaped += kHex[(c >> shift) & 0xF];
    }
    const std::u16string json = u"{\"S\":\"" + escaped + u"\",\"WS\":\"" + escaped + u"\"}";
    const WideString first = DSToJSON(FixtureW("all_types.xml"), json, u"I4", Key(Variant::I4(7)), u"M");
    ASSERT_NE(first, u"");
    // Once more through the output: the text read from it is written again.
    const WideString second = DSToJSON(first, u"{\"I8\":1}", u"I4", Key(Variant::I4(7)), u"M");
    ASSERT_NE(second, u"");
    for (const WideString& packet : {first, second}) {
      const auto rows = RowsOf(packet);
      ASSERT_EQ(rows.size(), 2u);
      EXPECT_EQ(rows[1].values.at("S"), ToUtf8(text)) << ToUtf8(packet);
      EXPECT_EQ(rows[1].values.at("WS"), ToUtf8(text)) << ToUtf8(packet);
    }
  }
}

}  // namespace
}  // namespace lumetra::dataset
