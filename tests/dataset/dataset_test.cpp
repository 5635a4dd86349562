#include "lumetra/dataset/dataset.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "lumetra/automation/values/errors.h"
#include "lumetra/dataset/dataset_packet.h"
#include "test_packets.h"
#include "tests/test_names.h"

namespace lumetra::dataset {
namespace {

using testing::FixtureW;

std::string Text(const Cell& cell) {
  if (const auto* text = std::get_if<std::string>(&cell)) return *text;
  if (const auto* number = std::get_if<int64_t>(&cell)) return std::to_string(*number);
  return std::holds_alternative<std::monostate>(cell) ? "null" : "?";
}

class DatasetTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadPacket(people, FixtureW("people.xml")); }
  int F(const char16_t* name) { return people.FieldIndex(name); }
  std::string Current(const char16_t* name) { return Text(people.Value(F(name))); }

  Dataset people;
};

struct FailureCase {
  std::string title;
  std::function<void(Dataset&)> action;
  std::string message;
};

std::ostream& operator<<(std::ostream& out, const FailureCase& c) { return out << c.title; }

class DatasetFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(DatasetFailureTest, FailsWithItsMessage) {
  Dataset dataset;
  if (GetParam().title.rfind("closed", 0) != 0) LoadPacket(dataset, FixtureW("people.xml"));
  try {
    GetParam().action(dataset);
    FAIL() << "no failure";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Messages, DatasetFailureTest,
    ::testing::Values(
        FailureCase{"closed append", [](Dataset& d) { d.Append(); },
                    "Cannot perform this operation on a closed dataset"},
        FailureCase{"closed edit", [](Dataset& d) { d.Edit(); }, "Cannot perform this operation on a closed dataset"},
        FailureCase{"closed delete", [](Dataset& d) { d.Delete(); },
                    "Cannot perform this operation on a closed dataset"},
        FailureCase{"closed post", [](Dataset& d) { d.Post(); }, "Cannot perform this operation on a closed dataset"},
        FailureCase{"closed locate", [](Dataset& d) { d.Locate({}, {}); },
                    "Cannot perform this operation on a closed dataset"},
        FailureCase{"closed field lookup", [](Dataset& d) { d.FieldIndex(u"ID"); }, "Field 'ID' not found"},
        FailureCase{"post in browse", [](Dataset& d) { d.Post(); }, "Dataset not in edit or insert mode"},
        FailureCase{"write in browse", [](Dataset& d) { d.SetValue(d.FieldIndex(u"NAME"), Variant::String(u"x")); },
                    "Dataset not in edit or insert mode"},
        FailureCase{"unknown field", [](Dataset& d) { d.FieldIndex(u"Nope"); }, "Field 'Nope' not found"},
        FailureCase{"read-only field",
                    [](Dataset& d) {
                      d.Edit();
                      d.SetValue(d.FieldIndex(u"locked"), Variant::String(u"x"));
                    },
                    "Field 'LOCKED' cannot be modified"},
        FailureCase{"range of a smallint",
                    [](Dataset& d) {
                      d.Edit();
                      d.SetValue(d.FieldIndex(u"AGE"), Variant::I4(40000));
                    },
                    "40000 is not a valid value for field 'AGE'. The allowed range is -32768 to 32767"},
        FailureCase{"range of an integer",
                    [](Dataset& d) {
                      d.Edit();
                      d.SetValue(d.FieldIndex(u"ID"), Variant::I8(2147483648LL));
                    },
                    "2147483648 is not a valid value for field 'ID'. The allowed range is -2147483648 to 2147483647"},
        FailureCase{"a NUL in text",
                    [](Dataset& d) {
                      d.Edit();
                      d.SetValue(d.FieldIndex(u"NAME"), Variant::String(WideString(u"a\0b", 3)));
                    },
                    "The text for field 'NAME' holds the character U+0000, which a data packet cannot carry"},
        FailureCase{"a lone surrogate in a memo",
                    [](Dataset& d) {
                      d.Edit();
                      d.SetValue(d.FieldIndex(u"NOTES"), Variant::String(u"\x01\xDC00"));
                    },
                    "The text for field 'NOTES' holds the character U+DC00, which a data packet cannot carry"},
        FailureCase{"unsupported key type", [](Dataset& d) { d.Locate({d.FieldIndex(u"NOTES")}, {Variant()}); },
                    "Field 'NOTES' is of an unsupported type"},
        FailureCase{"nested field as key", [](Dataset& d) { d.Locate({d.FieldIndex(u"PETS")}, {Variant()}); },
                    "Field 'PETS' is of an unsupported type"},
        FailureCase{"delete on an empty dataset",
                    [](Dataset& d) {
                      while (d.RecordCount() > 0) d.Delete();
                      d.Delete();
                    },
                    "Cannot perform this operation on an empty dataset"},
        FailureCase{"not a nested field", [](Dataset& d) { d.Nested(d.FieldIndex(u"NAME")); },
                    "Field 'NAME' is not a nested dataset field"}),
    lumetra::testing::NameFrom<&FailureCase::title>{});

TEST(DatasetRequiredTest, PostChecksRequiredFields) {
  Dataset dataset;
  LoadPacket(dataset, FixtureW("required.xml"));
  dataset.Append();
  dataset.SetValue(dataset.FieldIndex(u"ID"), Variant::I4(2));
  try {
    dataset.Post();
    FAIL();
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "Field 'NAME' must have a value");
  }
  EXPECT_EQ(dataset.state(), DatasetState::Insert);
}

TEST_F(DatasetTest, OpensInBrowseOnTheFirstRecord) {
  EXPECT_EQ(people.state(), DatasetState::Browse);
  EXPECT_EQ(people.RecordCount(), 3u);
  EXPECT_EQ(Current(u"NAME"), "Ana");
  EXPECT_TRUE(people.Next());
  EXPECT_EQ(Current(u"NAME"), "Bruno");
}

TEST_F(DatasetTest, EmptyTextLeavesTheDatasetClosed) {
  Dataset dataset;
  LoadPacket(dataset, u"");
  EXPECT_EQ(dataset.state(), DatasetState::Closed);
  EXPECT_EQ(ProducePacket(dataset), u"");
}

TEST_F(DatasetTest, EditTwiceKeepsTheEditAndPostStoresIt) {
  people.Edit();
  people.SetValue(F(u"NAME"), Variant::String(u"Anita"));
  people.Edit();  // nothing happens in edit state
  EXPECT_EQ(Current(u"NAME"), "Anita");
  people.Post();
  EXPECT_EQ(people.state(), DatasetState::Browse);
  EXPECT_EQ(people.rows()[0].status, RowStatus::Modified);
  EXPECT_EQ(Text(people.rows()[0].original[static_cast<size_t>(F(u"NAME"))]), "Ana");
}

TEST_F(DatasetTest, AppendCompletesThePendingRecord) {
  people.Append();
  people.SetValue(F(u"ID"), Variant::I4(4));
  people.Append();  // the first one was written: posted
  people.Append();  // the second was not: dropped
  people.Cancel();
  EXPECT_EQ(people.RecordCount(), 4u);
  EXPECT_EQ(people.rows()[3].status, RowStatus::Inserted);
  EXPECT_EQ(Current(u"ID"), "4");
}

TEST_F(DatasetTest, TextIsCutToTheFieldWidth) {
  people.Edit();
  people.SetValue(F(u"CODE"), Variant::String(u"ñandú-ñandú-ñandú"));
  EXPECT_EQ(Current(u"CODE"), "ñandú-ñand");
}

TEST_F(DatasetTest, DeleteKeepsDeletedRowsAndDropsInsertedOnes) {
  people.Append();
  people.SetValue(F(u"ID"), Variant::I4(4));
  people.Post();
  people.Delete();  // an inserted record leaves no trace
  EXPECT_EQ(people.rows().size(), 3u);
  EXPECT_EQ(Current(u"NAME"), "Berta");  // no record after it: the one before becomes current
  people.First();
  people.Edit();
  people.SetValue(F(u"NAME"), Variant::String(u"Anita"));
  people.Post();
  people.Delete();  // a modified record is deleted with its original values
  EXPECT_EQ(people.rows()[0].status, RowStatus::Deleted);
  EXPECT_EQ(Text(people.rows()[0].values[static_cast<size_t>(F(u"NAME"))]), "Ana");
  EXPECT_EQ(people.RecordCount(), 2u);
  EXPECT_EQ(Current(u"NAME"), "Bruno");
}

TEST_F(DatasetTest, LocateMovesOnlyOnAMatch) {
  people.Next();
  EXPECT_FALSE(people.Locate({F(u"ID")}, {Variant::I4(9)}));
  EXPECT_EQ(Current(u"NAME"), "Bruno");
  EXPECT_TRUE(people.Locate({F(u"AGE"), F(u"CODE")}, {Variant::String(u"41"), Variant::String(u"B2")}));
  EXPECT_EQ(Current(u"NAME"), "Berta");
  EXPECT_FALSE(people.Locate({F(u"AGE")}, {Variant::I4(100000)}));  // beyond the range: no match
}

TEST_F(DatasetTest, ANestedAppendPutsTheMasterIntoEdit) {
  Dataset& pets = people.Nested(F(u"PETS"));
  EXPECT_EQ(pets.state(), DatasetState::Browse);
  EXPECT_EQ(pets.RecordCount(), 0u);
  pets.Append();
  EXPECT_EQ(people.state(), DatasetState::Edit);
  EXPECT_EQ(pets.state(), DatasetState::Insert);
  pets.SetValue(pets.FieldIndex(u"PET"), Variant::String(u"cat"));
  people.Post();  // completes the detail record first
  EXPECT_EQ(pets.state(), DatasetState::Browse);
  ASSERT_EQ(people.rows()[0].details[0].size(), 1u);
  EXPECT_EQ(people.rows()[0].details[0][0].status, RowStatus::Inserted);
  EXPECT_EQ(people.rows()[0].status, RowStatus::Modified);
  // The nested dataset follows the master's current record.
  people.Next();
  EXPECT_EQ(pets.RecordCount(), 0u);
  people.First();
  EXPECT_EQ(pets.RecordCount(), 1u);
}

TEST_F(DatasetTest, CancellingTheMasterDropsItsDetailChanges) {
  Dataset& pets = people.Nested(F(u"PETS"));
  pets.Append();
  pets.SetValue(pets.FieldIndex(u"PET"), Variant::String(u"cat"));
  pets.Post();
  people.Cancel();
  EXPECT_EQ(pets.RecordCount(), 0u);
  EXPECT_EQ(people.rows()[0].status, RowStatus::Unchanged);
}

TEST_F(DatasetTest, ProducingCompletesAWrittenRecord) {
  people.Append();
  people.SetValue(F(u"ID"), Variant::I4(4));
  const auto rows = testing::RowsOf(ProducePacket(people));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[3].values.at("ID"), "4");
}

}  // namespace
}  // namespace lumetra::dataset
