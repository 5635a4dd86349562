#include "lumetra/dataset/packet_writer.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <new>
#include <string_view>
#include <tuple>

#include "lumetra/automation/values/errors.h"
#include "lumetra/dataset/packet_values.h"
#include "lumetra/dataset/xml_ptr.h"

namespace lumetra::dataset {
namespace {

struct LogEntry {
  uint64_t change;
  uint64_t position;
  uint64_t original;
  int kind;
};

using Logs = std::map<const Schema*, std::vector<LogEntry>>;

int RowStateOf(RowStatus status) {
  switch (status) {
    case RowStatus::Inserted:
      return kRowStateInserted;
    case RowStatus::Modified:
      return kRowStateModified;
    case RowStatus::Deleted:
      return kRowStateDeleted;
    case RowStatus::DetailUpdated:
      return kRowStateDetailUpdated;
    case RowStatus::Unchanged:
      break;
  }
  return 0;
}

// Walks the rows in the order they are written and notes each change with
// its positions, and the highest autoincrement value of each level.
void CollectChanges(const Schema& schema, const std::vector<Record>& rows, Logs& logs,
                    std::map<const Schema*, uint64_t>& counts, std::map<const Schema*, int64_t>& highest) {
  auto& log = logs[&schema];
  uint64_t& count = counts[&schema];
  int64_t& top = highest.try_emplace(&schema, 0).first->second;
  for (const Record& record : rows) {
    uint64_t original = 0;
    if (record.status == RowStatus::Modified) original = ++count;
    const uint64_t position = ++count;
    if (record.status != RowStatus::Unchanged) {
      log.push_back({record.change, position, original, RowStateOf(record.status)});
    }
    for (const FieldDef& field : schema.fields) {
      if (field.nested) {
        CollectChanges(*field.nested, record.details[static_cast<size_t>(field.nested_index)], logs, counts, highest);
      } else if (field.type == FieldType::ftAutoInc) {
        const size_t f = static_cast<size_t>(&field - schema.fields.data());
        if (const auto* number = std::get_if<int64_t>(&record.values[f]); number && *number > top) top = *number;
      }
    }
  }
}

bool IsAutoIncValue(std::string_view name) {
  constexpr std::string_view kName = "AUTOINCVALUE";
  if (name.size() != kName.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i] >= 'a' && name[i] <= 'z' ? static_cast<char>(name[i] - 32) : name[i];
    if (c != kName[i]) return false;
  }
  return true;
}

// Whether an attribute value reads back as written: libxml2's escaping writes
// tab, LF and CR as references, but a NUL would end the value and a control
// character other than those, U+FFFE, U+FFFF or a surrogate (ED A0..BF) would
// make the packet unreadable or come back as other characters. The values
// refuse such text before it reaches a record; this keeps it out of the packet.
bool ReadsBack(std::string_view value) {
  for (size_t i = 0; i < value.size(); ++i) {
    const auto c = static_cast<unsigned char>(value[i]);
    if (c >= 0x20) {
      if (c == 0xED && i + 1 < value.size() && static_cast<unsigned char>(value[i + 1]) >= 0xA0) return false;
      if (c == 0xEF && i + 2 < value.size() && static_cast<unsigned char>(value[i + 1]) == 0xBF &&
          (static_cast<unsigned char>(value[i + 2]) & 0xFE) == 0xBE) {
        return false;
      }
      continue;
    }
    if (c != '\t' && c != '\n' && c != '\r') return false;
  }
  return true;
}

// Writes the packet into one libxml2 buffer: markup as it goes, attribute
// values escaped by libxml2 (as its text writer does: markup characters and
// white space other than the blank as references, characters beyond ASCII as
// character references). An element is closed with "/>" when nothing was
// written into it. Growing by doubling: the default grows to the exact size,
// which copies the whole packet again and again.
class Writer {
 public:
  Writer() : buffer_(xmlBufferCreateSize(1 << 16)) {
    if (!buffer_) throw std::bad_alloc();
    xmlBufferSetAllocationScheme(buffer_.get(), XML_BUFFER_ALLOC_DOUBLEIT);
  }

  void StartDocument() { Add("<?xml version=\"1.0\" standalone=\"yes\"?>\n"); }
  void EndDocument() {
    while (!open_.empty()) End();
    Add("\n");
  }
  void Start(const std::string& name) {
    CloseStartTag();
    Add("<");
    Add(name);
    open_.push_back(name);
    start_tag_open_ = true;
  }
  void End() {
    if (start_tag_open_) {
      Add("/>");
      start_tag_open_ = false;
    } else {
      Add("</");
      Add(open_.back());
      Add(">");
    }
    open_.pop_back();
  }
  void Attribute(const std::string& name, const std::string& value) {
    if (!ReadsBack(value)) Fail();
    Add(" ");
    Add(name);
    Value(value.c_str());
  }
  void Attribute(const char* name, const char* value) {
    Add(" ");
    Add(name);
    Value(value);
  }
  void Value(const char* value) {
    Add("=\"");
    const int before = xmlBufferLength(buffer_.get());
    xmlAttrSerializeTxtContent(buffer_.get(), nullptr, nullptr, reinterpret_cast<const xmlChar*>(value));
    if (*value != '\0' && xmlBufferLength(buffer_.get()) == before) Fail();
    Add("\"");
  }
  void Raw(const std::string& xml) {
    if (xml.empty()) return;
    CloseStartTag();
    Add(xml);
  }

  std::string Text() {
    return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer_.get())),
                       static_cast<size_t>(xmlBufferLength(buffer_.get())));
  }

 private:
  void CloseStartTag() {
    if (!start_tag_open_) return;
    Add(">");
    start_tag_open_ = false;
  }
  void Add(const char* text) {
    if (xmlBufferCat(buffer_.get(), reinterpret_cast<const xmlChar*>(text)) != 0) Fail();
  }
  void Add(const std::string& text) {
    if (xmlBufferAdd(buffer_.get(), reinterpret_cast<const xmlChar*>(text.data()), static_cast<int>(text.size())) !=
        0) {
      Fail();
    }
  }
  [[noreturn]] static void Fail() { throw Error("The data packet cannot be written"); }

  XmlBuffer buffer_;
  std::vector<std::string> open_;  // the elements not yet closed
  bool start_tag_open_ = false;
};

class PacketComposer {
 public:
  PacketComposer(const Schema& schema, const std::vector<Record>& rows) {
    std::map<const Schema*, uint64_t> counts;
    CollectChanges(schema, rows, logs_, counts, highest_autoinc_);
  }

  std::string Compose(const Schema& schema, const std::vector<Record>& rows) {
    out_.StartDocument();
    out_.Start("DATAPACKET");
    out_.Attribute("Version", "2.0");
    out_.Start("METADATA");
    Level(schema);
    out_.End();
    out_.Start("ROWDATA");
    Rows(schema, rows, "ROW");
    out_.End();
    out_.End();
    out_.EndDocument();
    return out_.Text();
  }

 private:
  void Level(const Schema& schema) {
    out_.Start("FIELDS");
    for (const FieldDef& field : schema.fields) Field(field);
    out_.End();
    out_.Start("PARAMS");
    const std::string change_log = ChangeLog(schema);
    if (!change_log.empty()) out_.Attribute("CHANGE_LOG", change_log);
    for (const auto& [name, value] : schema.params) {
      out_.Attribute(name, IsAutoIncValue(name) ? NextAutoInc(schema, value) : value);
    }
    out_.Raw(schema.params_content);
    out_.End();
  }

  void Field(const FieldDef& field) {
    out_.Start("FIELD");
    out_.Attribute("attrname", field.name);
    out_.Attribute("fieldtype",
                   field.packet_type.empty() ? std::string(PacketFieldType(field.type)) : field.packet_type);
    const std::string_view subtype = field.packet_type.empty() ? PacketSubtype(field.type) : field.packet_subtype;
    if (!subtype.empty()) out_.Attribute(field.subtype_attribute, std::string(subtype));
    if (field.width > 0) out_.Attribute(field.width_attribute, std::to_string(field.width));
    if (field.decimals > 0) out_.Attribute(field.decimals_attribute, std::to_string(field.decimals));
    if (field.required) out_.Attribute("required", "true");
    if (field.readonly) out_.Attribute("readonly", "true");
    for (const auto& [name, value] : field.other_attributes) out_.Attribute(name, value);
    if (field.nested) Level(*field.nested);
    out_.End();
  }

  // TBufDataset keeps the next autoincrement value in PARAMS AUTOINCVALUE:
  // raised above the highest value of the level.
  std::string NextAutoInc(const Schema& schema, const std::string& value) {
    int64_t next = 0;
    const auto result = std::from_chars(value.data(), value.data() + value.size(), next);
    if (result.ec != std::errc() || result.ptr != value.data() + value.size()) return value;
    const int64_t highest = highest_autoinc_[&schema];
    return highest >= next ? std::to_string(highest + 1) : value;
  }

  std::string ChangeLog(const Schema& schema) {
    auto& log = logs_[&schema];
    std::sort(log.begin(), log.end(), [](const LogEntry& a, const LogEntry& b) { return a.change < b.change; });
    std::string text;
    for (const LogEntry& entry : log) {
      if (!text.empty()) text += ' ';
      text += std::to_string(entry.position) + ' ' + std::to_string(entry.original) + ' ' + std::to_string(entry.kind);
    }
    return text;
  }

  void Rows(const Schema& schema, const std::vector<Record>& rows, const std::string& element) {
    for (const Record& record : rows) {
      if (record.status == RowStatus::Modified) Row(schema, record.original, nullptr, element, kRowStateOriginal);
      Row(schema, record.values, &record, element, RowStateOf(record.status));
    }
  }

  void Row(const Schema& schema, const std::vector<Cell>& values, const Record* record, const std::string& element,
           int state) {
    out_.Start(element);
    if (state != 0) out_.Attribute("RowState", std::to_string(state));
    for (size_t f = 0; f < schema.fields.size(); ++f) {
      const FieldDef& field = schema.fields[f];
      if (field.nested || std::holds_alternative<std::monostate>(values[f])) continue;
      FormatPacketValue(field, values[f], value_);
      out_.Attribute(field.name, value_);
    }
    if (record != nullptr) {
      for (const FieldDef& field : schema.fields) {
        if (!field.nested) continue;
        const auto& details = record->details[static_cast<size_t>(field.nested_index)];
        if (details.empty()) continue;
        out_.Start(field.name);
        Rows(*field.nested, details, "ROW" + field.name);
        out_.End();
      }
    }
    out_.End();
  }

  Writer out_;
  Logs logs_;
  std::string value_;  // the text of the value being written
  std::map<const Schema*, int64_t> highest_autoinc_;
};

}  // namespace

std::string WritePacket(const Schema& schema, const std::vector<Record>& rows) {
  return PacketComposer(schema, rows).Compose(schema, rows);
}

}  // namespace lumetra::dataset
