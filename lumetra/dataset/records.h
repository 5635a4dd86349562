// What a dataset holds: the fields of one level (a schema) and its records.
// A cell is null (monostate), text or bytes (UTF-8 / raw std::string), an
// integer, a double (also currencies, BCDs and day numbers of date-time
// fields) or a boolean. Every record keeps its change state and, for a
// changed record, its place in the level's change log; a modified record
// also keeps its values from before the change. Records carry the detail
// records of each nested dataset field of their level.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "lumetra/automation/values/wide_string.h"
#include "lumetra/dataset/date_time.h"
#include "lumetra/dataset/field_types.h"

namespace lumetra::dataset {

using Cell = std::variant<std::monostate, std::string, int64_t, double, bool>;
using Attributes = std::vector<std::pair<std::string, std::string>>;

struct Schema;

struct FieldDef {
  std::string name;       // attrname, UTF-8
  WideString lower_name;  // for lookups
  FieldType type = FieldType::ftString;
  std::string packet_type;     // fieldtype as read
  std::string packet_subtype;  // SUBTYPE as read; empty when absent
  int width = 0;               // WIDTH; 0 when absent
  int decimals = 0;            // DECIMALS; 0 when absent
  // The spellings of SUBTYPE, WIDTH and DECIMALS as read (TBufDataset writes
  // them in lower case and reads only that), written back so.
  std::string subtype_attribute = "SUBTYPE";
  std::string width_attribute = "WIDTH";
  std::string decimals_attribute = "DECIMALS";
  DateForm date_form = DateForm::Standard;  // the form of the packet's date and time texts
  bool required = false;
  bool readonly = false;
  Attributes other_attributes;     // further FIELD attributes, written back as read
  int nested_index = -1;           // ftDataSet: index into Record::details
  std::unique_ptr<Schema> nested;  // ftDataSet: the fields of the detail level
};

struct Schema {
  std::vector<FieldDef> fields;
  int nested_count = 0;
  Attributes params;           // PARAMS attributes other than CHANGE_LOG
  std::string params_content;  // PARAMS child elements, as XML
  uint64_t next_change = 1;    // order number of the level's next change

  // Index of the field, or -1.
  int IndexOf(WideStringView name) const;
};

enum class RowStatus { Unchanged, Inserted, Modified, Deleted, DetailUpdated };

// The bits of a ROW's RowState attribute in a packet. A row without the
// attribute, or with 0, is unchanged. A packet with any other bit is refused.
enum RowStateFlag : int {
  kRowStateOriginal = 1,        // the values before a modification; alone, an unchanged row
  kRowStateDeleted = 2,         // a deleted row
  kRowStateInserted = 4,        // an inserted row
  kRowStateModified = 8,        // the values after a modification, right after the original row
  kRowStateDetailUpdated = 64,  // only the row's detail rows changed
};
inline constexpr int kRowStateKnownFlags =
    kRowStateOriginal | kRowStateDeleted | kRowStateInserted | kRowStateModified | kRowStateDetailUpdated;

struct Record {
  std::vector<Cell> values;
  std::vector<Cell> original;  // Modified: the values before the change
  RowStatus status = RowStatus::Unchanged;
  uint64_t change = 0;                       // place in the change log; 0 for an unchanged record
  std::vector<std::vector<Record>> details;  // one list per nested field
};

}  // namespace lumetra::dataset
