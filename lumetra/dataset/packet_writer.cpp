#include "lumetra/dataset/packet_writer.h"

#include <algorithm>
#include <map>
#include <new>
#include <string_view>
#include <tuple>

#include "lumetra/automation/errors.h"
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
    case RowStatus::Inserted: return 4;
    case RowStatus::Modified: return 8;
    case RowStatus::Deleted: return 2;
    case RowStatus::DetailUpdated: return 64;
    case RowStatus::Unchanged: break;
  }
  return 0;
}

// Walks the rows in the order they are written and notes each change with its positions.
void CollectChanges(const Schema& schema, const std::vector<Record>& rows, Logs& logs,
                    std::map<const Schema*, uint64_t>& counts) {
  auto& log = logs[&schema];
  uint64_t& count = counts[&schema];
  for (const Record& record : rows) {
    uint64_t original = 0;
    if (record.status == RowStatus::Modified) original = ++count;
    const uint64_t position = ++count;
    if (record.status != RowStatus::Unchanged) {
      log.push_back({record.change, position, original, RowStateOf(record.status)});
    }
    for (const FieldDef& field : schema.fields) {
      if (field.nested) {
        CollectChanges(*field.nested, record.details[static_cast<size_t>(field.nested_index)], logs, counts);
      }
    }
  }
}

class Writer {
 public:
  Writer() : buffer_(xmlBufferCreate()) {
    if (!buffer_) throw std::bad_alloc();
    writer_.reset(xmlNewTextWriterMemory(buffer_.get(), 0));
    if (!writer_) throw std::bad_alloc();
  }

  void StartDocument() { Check(xmlTextWriterStartDocument(writer_.get(), "1.0", nullptr, "yes")); }
  void EndDocument() { Check(xmlTextWriterEndDocument(writer_.get())); }
  void Start(std::string_view name) { Check(xmlTextWriterStartElement(writer_.get(), X(std::string(name)))); }
  void End() { Check(xmlTextWriterEndElement(writer_.get())); }
  void Attribute(std::string_view name, std::string_view value) {
    Check(xmlTextWriterWriteAttribute(writer_.get(), X(std::string(name)), X(std::string(value))));
  }
  void Raw(const std::string& xml) {
    if (!xml.empty()) Check(xmlTextWriterWriteRaw(writer_.get(), X(xml)));
  }

  std::string Text() {
    Check(xmlTextWriterFlush(writer_.get()));
    return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer_.get())),
                       static_cast<size_t>(xmlBufferLength(buffer_.get())));
  }

 private:
  static const xmlChar* X(const std::string& text) { return reinterpret_cast<const xmlChar*>(text.c_str()); }
  static void Check(int result) {
    if (result < 0) throw Error("The data packet cannot be written");
  }

  XmlBuffer buffer_;
  XmlWriter writer_;
};

class PacketComposer {
 public:
  PacketComposer(const Schema& schema, const std::vector<Record>& rows) {
    std::map<const Schema*, uint64_t> counts;
    CollectChanges(schema, rows, logs_, counts);
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
    for (const auto& [name, value] : schema.params) out_.Attribute(name, value);
    out_.Raw(schema.params_content);
    out_.End();
  }

  void Field(const FieldDef& field) {
    out_.Start("FIELD");
    out_.Attribute("attrname", field.name);
    out_.Attribute("fieldtype", field.packet_type.empty() ? PacketFieldType(field.type) : field.packet_type);
    const std::string_view subtype = field.packet_type.empty() ? PacketSubtype(field.type) : field.packet_subtype;
    if (!subtype.empty()) out_.Attribute("SUBTYPE", subtype);
    if (field.width > 0) out_.Attribute("WIDTH", std::to_string(field.width));
    if (field.decimals > 0) out_.Attribute("DECIMALS", std::to_string(field.decimals));
    if (field.required) out_.Attribute("required", "true");
    if (field.readonly) out_.Attribute("readonly", "true");
    for (const auto& [name, value] : field.other_attributes) out_.Attribute(name, value);
    if (field.nested) Level(*field.nested);
    out_.End();
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
      if (record.status == RowStatus::Modified) Row(schema, record.original, nullptr, element, 1);
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
      out_.Attribute(field.name, FormatPacketValue(field, values[f]));
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
};

}  // namespace

std::string WritePacket(const Schema& schema, const std::vector<Record>& rows) {
  return PacketComposer(schema, rows).Compose(schema, rows);
}

}  // namespace lumetra::dataset
