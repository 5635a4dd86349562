#include <gtest/gtest.h>

#include <ostream>

#include <string>

#include "lumetra/automation/values/errors.h"
#include "lumetra/dataset/packet_reader.h"
#include "lumetra/dataset/packet_writer.h"
#include "test_packets.h"
#include "tests/test_names.h"

namespace lumetra::dataset {
namespace {

using testing::Fixture;
using testing::RowsOf;
using testing::ViewOf;

const FieldDef& FieldNamed(const Schema& schema, const std::string& name) {
  return schema.fields.at(static_cast<size_t>(schema.IndexOf(FromUtf8(name))));
}

TEST(PacketReaderTest, MapsEveryFieldType) {
  const LoadedPacket packet = ReadPacket(Fixture("all_types.xml"));
  const std::vector<std::pair<std::string, FieldType>> expected = {
      {"S", FieldType::ftString},
      {"FC", FieldType::ftFixedChar},
      {"G", FieldType::ftGuid},
      {"WS", FieldType::ftWideString},
      {"FWC", FieldType::ftFixedWideChar},
      {"I1", FieldType::ftShortint},
      {"I2", FieldType::ftSmallint},
      {"I4", FieldType::ftInteger},
      {"AI", FieldType::ftAutoInc},
      {"I8", FieldType::ftLargeint},
      {"U1", FieldType::ftByte},
      {"U2", FieldType::ftWord},
      {"U4", FieldType::ftLongWord},
      {"F", FieldType::ftFloat},
      {"M", FieldType::ftCurrency},
      {"B", FieldType::ftBCD},
      {"FMT", FieldType::ftFMTBcd},
      {"BO", FieldType::ftBoolean},
      {"D", FieldType::ftDate},
      {"T", FieldType::ftTime},
      {"DT", FieldType::ftDateTime},
      {"TS", FieldType::ftTimeStamp},
      {"MEMO", FieldType::ftMemo},
      {"WMEMO", FieldType::ftWideMemo},
      {"BLOB", FieldType::ftBlob},
      {"GR", FieldType::ftGraphic},
      {"BY", FieldType::ftBytes},
  };
  ASSERT_EQ(packet.schema->fields.size(), expected.size());
  for (size_t f = 0; f < expected.size(); ++f) {
    EXPECT_EQ(packet.schema->fields[f].name, expected[f].first);
    EXPECT_EQ(packet.schema->fields[f].type, expected[f].second) << expected[f].first;
    // The same type is written back with the same attributes.
    EXPECT_EQ(PacketFieldType(expected[f].second), packet.schema->fields[f].packet_type) << expected[f].first;
    EXPECT_EQ(PacketSubtype(expected[f].second), packet.schema->fields[f].packet_subtype) << expected[f].first;
  }
  EXPECT_TRUE(FieldNamed(*packet.schema, "I4").required);
  EXPECT_TRUE(FieldNamed(*packet.schema, "AI").readonly);
  EXPECT_FALSE(FieldNamed(*packet.schema, "S").required);
  EXPECT_EQ(FieldNamed(*packet.schema, "S").width, 20);
  EXPECT_EQ(FieldNamed(*packet.schema, "B").decimals, 2);
}

TEST(PacketReaderTest, ReadsTheValuesOfEveryType) {
  const LoadedPacket packet = ReadPacket(Fixture("all_types.xml"));
  ASSERT_EQ(packet.rows.size(), 2u);
  const Schema& schema = *packet.schema;
  const auto& row = packet.rows[0].values;
  auto at = [&](const char* name) { return row[static_cast<size_t>(schema.IndexOf(FromUtf8(name)))]; };
  EXPECT_EQ(std::get<std::string>(at("S")), "Tom & \"Jerry\"");
  EXPECT_EQ(std::get<std::string>(at("WS")), "Ñandú €");
  EXPECT_EQ(std::get<int64_t>(at("I1")), -128);
  EXPECT_EQ(std::get<int64_t>(at("I8")), INT64_MAX);
  EXPECT_EQ(std::get<int64_t>(at("U4")), 4294967295LL);
  EXPECT_DOUBLE_EQ(std::get<double>(at("F")), -1.5e-300);
  EXPECT_DOUBLE_EQ(std::get<double>(at("M")), 1234.5678);
  EXPECT_EQ(std::get<bool>(at("BO")), true);
  EXPECT_EQ(std::get<double>(at("D")), 45351.0);
  EXPECT_DOUBLE_EQ(std::get<double>(at("T")), (86400000.0 - 1) / 86400000.0);
  EXPECT_EQ(std::get<std::string>(at("MEMO")), "Hola, mundo");
  EXPECT_EQ(std::get<std::string>(at("WMEMO")), std::string("A\0\xF1\0", 4));
  EXPECT_EQ(std::get<std::string>(at("BLOB")), std::string("\x00\x01\x02\xFF", 4));
  EXPECT_EQ(std::get<std::string>(at("GR")), "GIF89a");
  // Absent attributes are nulls; an empty attribute is an empty text.
  const auto& second = packet.rows[1].values;
  EXPECT_TRUE(std::holds_alternative<std::monostate>(second[static_cast<size_t>(schema.IndexOf(u"WS"))]));
  EXPECT_EQ(std::get<std::string>(second[static_cast<size_t>(schema.IndexOf(u"S"))]), "");
  EXPECT_EQ(std::get<double>(second[static_cast<size_t>(schema.IndexOf(u"D"))]), -693593.0);
  EXPECT_DOUBLE_EQ(std::get<double>(second[static_cast<size_t>(schema.IndexOf(u"DT"))]), -1.25);
}

TEST(PacketReaderTest, ReadsNestedDatasets) {
  const LoadedPacket packet = ReadPacket(Fixture("orders.xml"));
  ASSERT_EQ(packet.rows.size(), 2u);
  const FieldDef& lines = FieldNamed(*packet.schema, "LINES");
  ASSERT_EQ(lines.type, FieldType::ftDataSet);
  ASSERT_TRUE(lines.nested);
  const auto& details = packet.rows[0].details[static_cast<size_t>(lines.nested_index)];
  ASSERT_EQ(details.size(), 2u);
  EXPECT_EQ(std::get<std::string>(details[1].values[1]), "Leche");
  const FieldDef& notes = FieldNamed(*lines.nested, "NOTES");
  const auto& inner = details[0].details[static_cast<size_t>(notes.nested_index)];
  ASSERT_EQ(inner.size(), 1u);
  EXPECT_EQ(std::get<std::string>(inner[0].values[0]), "tostado");
  EXPECT_TRUE(packet.rows[1].details[0].empty());
}

TEST(PacketReaderTest, RebuildsAnExistingChangeLog) {
  const LoadedPacket packet = ReadPacket(Fixture("change_log.xml"));
  const auto rows = ViewOf(*packet.schema, packet.rows);
  ASSERT_EQ(rows.size(), 4u);  // the original and its modification are one record
  EXPECT_EQ(rows[0].status, RowStatus::Unchanged);
  EXPECT_EQ(rows[1].status, RowStatus::Modified);
  EXPECT_EQ(rows[1].values.at("NAME"), "DOS");
  EXPECT_EQ(rows[1].original.at("NAME"), "dos");
  EXPECT_EQ(rows[2].status, RowStatus::Deleted);
  EXPECT_EQ(rows[3].status, RowStatus::Inserted);
  // The log order: the insertion, then the modification, then the deletion.
  EXPECT_LT(packet.rows[3].change, packet.rows[1].change);
  EXPECT_LT(packet.rows[1].change, packet.rows[2].change);
  EXPECT_EQ(packet.schema->params, (Attributes{{"LCID", "1033"}}));
}

TEST(PacketWriterTest, WritesWhatItReadsUnchanged) {
  for (const char* name : {"all_types.xml", "orders.xml", "change_log.xml", "people.xml", "no_rows.xml"}) {
    const LoadedPacket first = ReadPacket(Fixture(name));
    const std::string written = WritePacket(*first.schema, first.rows);
    const LoadedPacket second = ReadPacket(written);
    EXPECT_EQ(WritePacket(*second.schema, second.rows), written) << name;
    const auto before = ViewOf(*first.schema, first.rows);
    const auto after = ViewOf(*second.schema, second.rows);
    ASSERT_EQ(before.size(), after.size()) << name;
    for (size_t i = 0; i < before.size(); ++i) {
      EXPECT_EQ(before[i].status, after[i].status) << name << " row " << i;
      EXPECT_EQ(before[i].values, after[i].values) << name << " row " << i;
      EXPECT_EQ(before[i].original, after[i].original) << name << " row " << i;
    }
  }
}

TEST(PacketWriterTest, KeepsTheChangeLogAndTheRowStates) {
  const LoadedPacket packet = ReadPacket(Fixture("change_log.xml"));
  const std::string written = WritePacket(*packet.schema, packet.rows);
  EXPECT_NE(written.find("CHANGE_LOG=\"5 0 4 3 2 8 4 0 2\""), std::string::npos) << written;
  EXPECT_NE(written.find("<ROW RowState=\"1\" ID=\"2\" NAME=\"dos\"/><ROW RowState=\"8\" ID=\"2\" NAME=\"DOS\"/>"),
            std::string::npos)
      << written;
  EXPECT_NE(written.find("<ROW ID=\"1\" NAME=\"uno\"/>"), std::string::npos) << written;
  EXPECT_EQ(written.rfind("<?xml version=\"1.0\" standalone=\"yes\"?>", 0), 0u) << written;
}

TEST(PacketWriterTest, EscapesTextThatIsNotMarkup) {
  const LoadedPacket packet = ReadPacket(Fixture("people.xml"));
  LoadedPacket copy = ReadPacket(Fixture("people.xml"));
  copy.rows[0].values[2] = std::string("<a href=\"x\">&'\n\t\r</a>");
  const std::string written = WritePacket(*copy.schema, copy.rows);
  const LoadedPacket again = ReadPacket(written);
  EXPECT_EQ(std::get<std::string>(again.rows[0].values[2]), "<a href=\"x\">&'\n\t\r</a>");
  EXPECT_EQ(packet.rows.size(), again.rows.size());
}

// Text that would not read back as written never reaches the packet: the
// writer fails instead (the values refuse such text before it is stored).
TEST(PacketWriterTest, RefusesTextThatWouldNotReadBack) {
  for (const std::string& text :
       {std::string("a\x01"), std::string("a\0b", 3), std::string("\x1F"), std::string("\xEF\xBF\xBE"),
        std::string("x\xEF\xBF\xBF"), std::string("\xED\xA0\x80")}) {
    LoadedPacket copy = ReadPacket(Fixture("people.xml"));
    copy.rows[0].values[2] = text;
    EXPECT_THROW(WritePacket(*copy.schema, copy.rows), Error) << ::testing::PrintToString(text);
  }
  LoadedPacket copy = ReadPacket(Fixture("people.xml"));
  copy.rows[0].values[2] = std::string("\xEF\xBF\xBD\xEE\x80\x80\xED\x9F\xBF\x7F\t");  // U+FFFD U+E000 U+D7FF
  EXPECT_EQ(std::get<std::string>(ReadPacket(WritePacket(*copy.schema, copy.rows)).rows[0].values[2]),
            std::get<std::string>(copy.rows[0].values[2]));
}

struct RejectCase {
  std::string packet;
  std::string message;  // a part of the error message
};

std::ostream& operator<<(std::ostream& out, const RejectCase& c) { return out << c.packet; }

class PacketRejectTest : public ::testing::TestWithParam<RejectCase> {};

TEST_P(PacketRejectTest, NamesWhatIsWrong) {
  try {
    ReadPacket(GetParam().packet);
    FAIL() << "accepted: " << GetParam().packet;
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find(GetParam().message), std::string::npos) << error.what();
    EXPECT_EQ(std::string(error.what()).rfind("Invalid data packet: ", 0), 0u) << error.what();
  }
}

#define FIELDS_ID "<METADATA><FIELDS><FIELD attrname=\"ID\" fieldtype=\"i2\"/></FIELDS><PARAMS/></METADATA>"

INSTANTIATE_TEST_SUITE_P(
    Cases, PacketRejectTest,
    ::testing::Values(
        RejectCase{"<DATAPACKET", "line 1"}, RejectCase{"not xml at all", "line 1"},
        RejectCase{"<DATAPACKET Version=\"2.0\"><METADATA></DATAPACKET>", "line 1"},
        RejectCase{"<PACKET/>", "the root element is 'PACKET', not DATAPACKET"},
        RejectCase{"<DATAPACKET Version=\"3.0\"/>", "unsupported Version '3.0'"},
        RejectCase{"<DATAPACKET Version=\"2.0\"/>", "no METADATA"},
        RejectCase{"<DATAPACKET><METADATA><PARAMS/></METADATA></DATAPACKET>", "METADATA has no FIELDS"},
        RejectCase{"<DATAPACKET><METADATA><FIELDS/></METADATA></DATAPACKET>", "FIELDS has no FIELD"},
        RejectCase{"<DATAPACKET><METADATA><FIELDS><FIELD fieldtype=\"i4\"/></FIELDS></METADATA></DATAPACKET>",
                   "a FIELD has no attrname"},
        RejectCase{"<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A\"/></FIELDS></METADATA></DATAPACKET>",
                   "field 'A' has no fieldtype"},
        RejectCase{"<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"r99\"/></FIELDS></METADATA>"
                   "</DATAPACKET>",
                   "field 'A' has an unknown fieldtype 'r99'"},
        RejectCase{"<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"i4\"/><FIELD attrname=\"a\" "
                   "fieldtype=\"i4\"/></FIELDS></METADATA></DATAPACKET>",
                   "field 'a' is defined twice"},
        RejectCase{"<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A B\" fieldtype=\"i4\"/></FIELDS></METADATA>"
                   "</DATAPACKET>",
                   "field 'A B': the name cannot be used"},
        RejectCase{"<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"string\" WIDTH=\"x\"/></FIELDS>"
                   "</METADATA></DATAPACKET>",
                   "WIDTH of a FIELD is not a number: 'x'"},
        RejectCase{"<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"N\" fieldtype=\"nested\"/></FIELDS></METADATA>"
                   "</DATAPACKET>",
                   "nested field 'N' has no FIELDS"},
        RejectCase{"<DATAPACKET><ROWDATA/>" FIELDS_ID "</DATAPACKET>", "ROWDATA comes before METADATA"},
        RejectCase{"<DATAPACKET>" FIELDS_ID "<ROWDATA><ROW ID=\"40000\"/></ROWDATA></DATAPACKET>",
                   "row 1: '40000' is not a valid i2 value for field 'ID'"},
        RejectCase{"<DATAPACKET>" FIELDS_ID "<ROWDATA><ROW ID=\"1\"/><ROW ID=\"1.5\"/></ROWDATA></DATAPACKET>",
                   "row 2: '1.5' is not a valid i2 value"},
        RejectCase{"<DATAPACKET>" FIELDS_ID "<ROWDATA><ROW XX=\"1\"/></ROWDATA></DATAPACKET>",
                   "a row has a value for 'XX', which is not a field"},
        RejectCase{"<DATAPACKET>" FIELDS_ID "<ROWDATA><RECORD/></ROWDATA></DATAPACKET>",
                   "unexpected element 'RECORD' in ROWDATA"},
        RejectCase{"<DATAPACKET>" FIELDS_ID "<ROWDATA><ROW RowState=\"8\" ID=\"1\"/></ROWDATA></DATAPACKET>",
                   "row 1 is modified (RowState 8) but does not follow its original"},
        RejectCase{"<DATAPACKET>" FIELDS_ID "<ROWDATA><ROW RowState=\"16\" ID=\"1\"/></ROWDATA></DATAPACKET>",
                   "row 1 has an unknown RowState 16"},
        RejectCase{"<DATAPACKET>" FIELDS_ID "<ROWDATA><ROW RowState=\"x\"/></ROWDATA></DATAPACKET>",
                   "row 1 RowState is not a number"},
        RejectCase{"<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"ID\" fieldtype=\"i4\"/></FIELDS>"
                   "<PARAMS CHANGE_LOG=\"1 0\"/></METADATA><ROWDATA><ROW RowState=\"4\"/></ROWDATA></DATAPACKET>",
                   "CHANGE_LOG must hold triples of numbers"},
        RejectCase{"<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"ID\" fieldtype=\"i4\"/></FIELDS>"
                   "<PARAMS CHANGE_LOG=\"3 0 4\"/></METADATA><ROWDATA><ROW RowState=\"4\"/></ROWDATA></DATAPACKET>",
                   "CHANGE_LOG refers to row 3, which does not exist"},
        RejectCase{"<!DOCTYPE DATAPACKET [<!ENTITY e \"x\">]><DATAPACKET/>", "document type declaration"},
        RejectCase{"<DATAPACKET>" FIELDS_ID "<ROWDATA><ROW ID=\"1\"><ID/></ROW></ROWDATA></DATAPACKET>",
                   "holds an element for field 'ID', which is not a nested dataset field"},
        RejectCase{"<DATAPACKET>" FIELDS_ID "</DATAPACKET><extra/>", "line 1"}),
    lumetra::testing::NameFrom<&RejectCase::packet>{});

// Every row's RowState is checked, the original and modified rows of a
// modification too. `rows` are the ROW elements of a packet with one i2
// field ID and a nested field N; `expected` the records' states in order, or
// a part of the error message.
struct RowStateCase {
  std::string rows;
  std::string expected;
};

std::ostream& operator<<(std::ostream& out, const RowStateCase& c) { return out << c.rows; }

std::string StatesOf(const std::vector<Record>& records) {
  std::string states;
  for (const Record& record : records) {
    if (!states.empty()) states += ' ';
    switch (record.status) {
      case RowStatus::Unchanged:
        states += "unchanged";
        break;
      case RowStatus::Inserted:
        states += "inserted";
        break;
      case RowStatus::Modified:
        states += "modified";
        break;
      case RowStatus::Deleted:
        states += "deleted";
        break;
      case RowStatus::DetailUpdated:
        states += "detail";
        break;
    }
    if (!record.details.empty() && !record.details[0].empty()) states += "(" + StatesOf(record.details[0]) + ")";
  }
  return states;
}

class RowStateTest : public ::testing::TestWithParam<RowStateCase> {};

TEST_P(RowStateTest, ReadsOrRejects) {
  const std::string packet =
      "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"ID\" fieldtype=\"i2\"/><FIELD attrname=\"N\" "
      "fieldtype=\"nested\"><FIELDS><FIELD attrname=\"X\" fieldtype=\"i2\"/></FIELDS></FIELD></FIELDS></METADATA>"
      "<ROWDATA>" +
      GetParam().rows + "</ROWDATA></DATAPACKET>";
  std::string outcome;
  try {
    outcome = StatesOf(ReadPacket(packet).rows);
  } catch (const Error& error) {
    outcome = error.what();
  }
  EXPECT_NE(outcome.find(GetParam().expected), std::string::npos) << outcome;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RowStateTest,
    ::testing::Values(
        RowStateCase{"<ROW ID=\"1\"/><ROW RowState=\"0\"/><ROW RowState=\"1\"/>", "unchanged unchanged unchanged"},
        RowStateCase{"<ROW RowState=\"1\"/><ROW RowState=\"8\"/><ROW RowState=\"4\"/><ROW RowState=\"2\"/>"
                     "<ROW RowState=\"64\"/>",
                     "modified inserted deleted detail"},
        RowStateCase{"<ROW RowState=\"1\"/><ROW RowState=\"72\"/>", "modified"},
        RowStateCase{"<ROW RowState=\"16\"/>", "row 1 has an unknown RowState 16"},
        RowStateCase{"<ROW RowState=\"17\"/><ROW RowState=\"8\"/>", "row 1 has an unknown RowState 17"},
        RowStateCase{"<ROW RowState=\"1\"/><ROW RowState=\"24\"/>", "row 2 has an unknown RowState 24"},
        RowStateCase{"<ROW RowState=\"129\"/><ROW RowState=\"8\"/>", "row 1 has an unknown RowState 129"},
        RowStateCase{"<ROW RowState=\"1\"/><ROW RowState=\"40\"/>", "row 2 has an unknown RowState 40"},
        RowStateCase{"<ROW RowState=\"4\"/><ROW RowState=\"32\"/>", "row 2 has an unknown RowState 32"},
        RowStateCase{"<ROW RowState=\"20\"/>", "row 1 has an unknown RowState 20"},
        RowStateCase{"<ROW RowState=\"18\"/>", "row 1 has an unknown RowState 18"},
        RowStateCase{"<ROW><N><ROWN RowState=\"1\" X=\"1\"/><ROWN RowState=\"8\" X=\"2\"/></N></ROW>",
                     "unchanged(modified)"},
        RowStateCase{"<ROW><N><ROWN RowState=\"17\"/><ROWN RowState=\"8\"/></N></ROW>",
                     "row 1 has an unknown RowState 17"},
        RowStateCase{"<ROW><N><ROWN RowState=\"1\"/><ROWN RowState=\"24\"/></N></ROW>",
                     "row 2 has an unknown RowState 24"}),
    lumetra::testing::NameFrom<&RowStateCase::rows>{});

// A packet as Free Pascal's TBufDataset saves it: lower-case width and
// subtype, a fieldname beside attrname, "datetime", day-month-year dates with
// two-digit years, "True", AUTOINCVALUE.
const char kTBufDatasetPacket[] = R"(<?xml version="1.0" encoding="utf-8"?>
<DATAPACKET Version="2.0">
  <METADATA>
    <FIELDS>
      <FIELD width="5" attrname="NAME" fieldname="NAME" fieldtype="string"/>
      <FIELD subtype="Money" attrname="CUR" fieldname="CUR" fieldtype="r8"/>
      <FIELD subtype="Autoinc" attrname="SEQ" fieldname="SEQ" fieldtype="i4"/>
      <FIELD attrname="BORN" fieldname="BORN" fieldtype="date"/>
      <FIELD attrname="STAMP" fieldname="STAMP" fieldtype="datetime"/>
      <FIELD attrname="AT" fieldname="AT" fieldtype="time"/>
      <FIELD attrname="OK" fieldname="OK" fieldtype="boolean"/>
    </FIELDS>
    <PARAMS CHANGE_LOG="2 1 8" AUTOINCVALUE="3"/>
  </METADATA>
  <ROWDATA>
    <ROW NAME="Ann" SEQ="1" BORN="17-5-90" STAMP="4-3-21 13:14:15" AT="08:30:00" OK="True" RowState="1"/>
    <ROW NAME="Anna" SEQ="1" BORN="17-5-90" STAMP="14-7-19" AT="08:30:00" OK="True" RowState="8"/>
    <ROW NAME="Bob" SEQ="2" CUR="1.5" OK="False"/>
  </ROWDATA>
</DATAPACKET>)";

TEST(PacketReaderTest, ReadsTheFormOfTBufDataset) {
  const LoadedPacket packet = ReadPacket(kTBufDatasetPacket);
  EXPECT_EQ(FieldNamed(*packet.schema, "NAME").width, 5);
  EXPECT_EQ(FieldNamed(*packet.schema, "CUR").type, FieldType::ftCurrency);
  EXPECT_EQ(FieldNamed(*packet.schema, "SEQ").type, FieldType::ftAutoInc);
  EXPECT_EQ(FieldNamed(*packet.schema, "STAMP").type, FieldType::ftDateTime);
  EXPECT_EQ(FieldNamed(*packet.schema, "AT").date_form, DateForm::DayMonthYear);
  const auto rows = ViewOf(*packet.schema, packet.rows);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].status, RowStatus::Modified);
  EXPECT_EQ(rows[0].original.at("STAMP"), "4-3-2021 13:14:15");
  EXPECT_EQ(rows[0].values.at("STAMP"), "14-7-2019 00:00:00");
  EXPECT_EQ(rows[0].values.at("BORN"), "17-5-1990");
  EXPECT_EQ(rows[0].values.at("OK"), "TRUE");
  EXPECT_EQ(rows[1].values.at("CUR"), "1.5");
}

TEST(PacketWriterTest, WritesTheFormOfTBufDatasetBack) {
  LoadedPacket packet = ReadPacket(kTBufDatasetPacket);
  Record added;
  added.values = {Cell{std::string("Cid")}, Cell{}, Cell{int64_t{7}}, Cell{45351.0}, Cell{45351.75},
                  Cell{0.25 + 0.5 / 86400}, Cell{}};
  added.status = RowStatus::Inserted;
  added.change = packet.schema->next_change++;
  packet.rows.push_back(added);
  const std::string text = WritePacket(*packet.schema, packet.rows);
  for (const char* expected :
       {R"(<FIELD attrname="NAME" fieldtype="string" width="5" fieldname="NAME"/>)",
        R"(<FIELD attrname="CUR" fieldtype="r8" subtype="Money" fieldname="CUR"/>)",
        R"(<FIELD attrname="STAMP" fieldtype="datetime" fieldname="STAMP"/>)",
        R"(<PARAMS CHANGE_LOG="2 1 8 4 0 4" AUTOINCVALUE="8"/>)",
        R"(<ROW RowState="4" NAME="Cid" SEQ="7" BORN="29-2-2024" STAMP="29-2-2024 18:00:00" AT="06:00:00.500"/>)"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
}

TEST(PacketReaderTest, AcceptsPacketsWithoutVersionOrRows) {
  const LoadedPacket packet = ReadPacket("<DATAPACKET>" FIELDS_ID "</DATAPACKET>");
  EXPECT_TRUE(packet.rows.empty());
  EXPECT_EQ(packet.schema->fields.size(), 1u);
}

}  // namespace
}  // namespace lumetra::dataset
