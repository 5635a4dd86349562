// Helpers of the dataset tests: the packet fixtures of tests/dataset/packets
// and a readable view of the rows of a produced packet.
#pragma once

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "lumetra/automation/values/wide_string.h"
#include "lumetra/dataset/packet_reader.h"
#include "lumetra/dataset/packet_values.h"

namespace lumetra::dataset::testing {

inline std::string Fixture(const std::string& name) {
  std::ifstream in(std::string(LUMETRA_PACKETS_DIR) + "/" + name, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

inline WideString FixtureW(const std::string& name) { return FromUtf8(Fixture(name)); }

// One stored record: its change state and its non-null values as packet text.
struct RowView {
  RowStatus status = RowStatus::Unchanged;
  std::map<std::string, std::string> values;
  std::map<std::string, std::string> original;
  std::map<std::string, std::vector<RowView>> details;  // by nested field name
};

inline std::map<std::string, std::string> ValuesOf(const Schema& schema, const std::vector<Cell>& cells) {
  std::map<std::string, std::string> values;
  for (size_t f = 0; f < schema.fields.size(); ++f) {
    if (!schema.fields[f].nested && !std::holds_alternative<std::monostate>(cells[f])) {
      values[schema.fields[f].name] = FormatPacketValue(schema.fields[f], cells[f]);
    }
  }
  return values;
}

inline std::vector<RowView> ViewOf(const Schema& schema, const std::vector<Record>& rows) {
  std::vector<RowView> views;
  for (const Record& record : rows) {
    RowView view;
    for (const FieldDef& field : schema.fields) {
      if (field.nested) {
        view.details[field.name] = ViewOf(*field.nested, record.details[static_cast<size_t>(field.nested_index)]);
      }
    }
    view.status = record.status;
    view.values = ValuesOf(schema, record.values);
    if (record.status == RowStatus::Modified) view.original = ValuesOf(schema, record.original);
    views.push_back(view);
  }
  return views;
}

// The rows of a packet text (UTF-16); fails the test through an exception when it does not load.
inline std::vector<RowView> RowsOf(const WideString& packet) {
  LoadedPacket loaded = ReadPacket(ToUtf8(packet));
  return ViewOf(*loaded.schema, loaded.rows);
}

// The CHANGE_LOG attribute of the main level of a packet text, "" when absent.
inline std::string ChangeLogOf(const WideString& packet) {
  const std::string text = ToUtf8(packet);
  const std::string marker = "CHANGE_LOG=\"";
  const size_t params = text.rfind("<PARAMS", text.find("</METADATA>"));
  const size_t start = text.find(marker, params);
  if (params == std::string::npos || start == std::string::npos || start > text.find('>', params)) return "";
  const size_t end = text.find('"', start + marker.size());
  return text.substr(start + marker.size(), end - start - marker.size());
}

}  // namespace lumetra::dataset::testing
