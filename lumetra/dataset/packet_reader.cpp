#include "lumetra/dataset/packet_reader.h"

#include <charconv>
#include <climits>
#include <cstring>
#include <string>
#include <unordered_map>

#include "lumetra/automation/values/errors.h"
#include "lumetra/dataset/field_names.h"
#include "lumetra/dataset/packet_values.h"
#include "lumetra/dataset/xml_ptr.h"

namespace lumetra::dataset {
namespace {

constexpr std::string_view kRowState = "RowState";

[[noreturn]] void Reject(const std::string& what) { throw Error("Invalid data packet: " + what); }

struct ErrorSink {
  std::string message;
  int line = 0;
};

void OnXmlError(void* user, xmlErrorPtr error) {
  auto* sink = static_cast<ErrorSink*>(user);
  if (error == nullptr || error->level < XML_ERR_ERROR || !sink->message.empty()) return;
  std::string message = error->message != nullptr ? error->message : "unknown error";
  while (!message.empty() && static_cast<unsigned char>(message.back()) <= ' ') message.pop_back();
  sink->message = message.empty() ? "unknown error" : message;
  sink->line = error->line;
}

std::string_view Name(const xmlChar* name) { return name ? reinterpret_cast<const char*>(name) : ""; }

std::string AttributeValue(xmlAttrPtr attribute) {
  const xmlNode* child = attribute->children;
  if (child == nullptr) return std::string();
  if (child->next == nullptr && child->type == XML_TEXT_NODE && child->content != nullptr) {
    return reinterpret_cast<const char*>(child->content);
  }
  XmlText text(xmlNodeListGetString(attribute->doc, attribute->children, 1));
  return text ? reinterpret_cast<const char*>(text.get()) : std::string();
}

// The value of an attribute without copying it when it is one text node (as
// it almost always is); otherwise the text is built in `storage`.
std::string_view AttributeView(xmlAttrPtr attribute, std::string& storage) {
  const xmlNode* child = attribute->children;
  if (child != nullptr && child->next == nullptr && child->type == XML_TEXT_NODE && child->content != nullptr) {
    return reinterpret_cast<const char*>(child->content);
  }
  storage = AttributeValue(attribute);
  return storage;
}

bool IsElement(const xmlNode* node) { return node->type == XML_ELEMENT_NODE; }

int ReadNumber(std::string_view text, const std::string& what) {
  int value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size() || value < 0) {
    Reject(what + " is not a number: '" + std::string(text) + "'");
  }
  return value;
}

bool IsAttribute(std::string_view name, std::string_view upper) {
  if (name.size() != upper.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i] >= 'a' && name[i] <= 'z' ? static_cast<char>(name[i] - 32) : name[i];
    if (c != upper[i]) return false;
  }
  return true;
}

bool ReadFlag(std::string_view text) { return text == "true" || text == "TRUE" || text == "True" || text == "1"; }

// One level of the packet (the main rows, or the rows of one nested field
// across all master rows) while it is read.
struct Level {
  uint64_t rows_seen = 0;
  std::vector<uint64_t> log;  // CHANGE_LOG numbers, three per entry
  bool has_log = false;
};

struct ParsedRow {
  Record record;
  int state = 0;
  uint64_t position = 0;
};

class PacketParser {
 public:
  std::unique_ptr<Schema> ParseMetadata(xmlNodePtr metadata) {
    auto schema = std::make_unique<Schema>();
    xmlNodePtr fields = nullptr;
    xmlNodePtr params = nullptr;
    for (xmlNodePtr child = metadata->children; child; child = child->next) {
      if (!IsElement(child)) continue;
      if (Name(child->name) == "FIELDS")
        fields = child;
      else if (Name(child->name) == "PARAMS")
        params = child;
      else
        Reject("unexpected element '" + std::string(Name(child->name)) + "' in METADATA");
    }
    if (fields == nullptr) Reject("METADATA has no FIELDS");
    ParseLevel(fields, params, *schema);
    return schema;
  }

  std::vector<Record> ParseRows(const std::vector<xmlNodePtr>& row_nodes, Schema& schema) {
    std::vector<ParsedRow> rows;
    rows.reserve(row_nodes.size());
    for (xmlNodePtr node : row_nodes) rows.push_back(ParseRow(node, schema));
    return Combine(std::move(rows));
  }

  ParsedRow ParseRow(xmlNodePtr node, Schema& schema) {
    Level& level = levels_[&schema];
    ParsedRow row;
    row.position = ++level.rows_seen;
    row.record.values.resize(schema.fields.size());
    row.record.details.resize(static_cast<size_t>(schema.nested_count));
    size_t hint = 0;
    std::string storage;
    for (xmlAttrPtr attribute = node->properties; attribute; attribute = attribute->next) {
      const std::string_view name = Name(attribute->name);
      const std::string_view value = AttributeView(attribute, storage);
      if (name == kRowState) {
        row.state = ReadNumber(value, RowLabel(schema, row.position) + " RowState");
        continue;
      }
      const size_t f = FieldByExactName(schema, name, hint);
      hint = f + 1;
      const FieldDef& field = schema.fields[f];
      if (field.nested) Reject(RowLabel(schema, row.position) + " has a value for nested field '" + field.name + "'");
      auto cell = ParsePacketValue(field, value, &date_form_);
      if (!cell) {
        Reject(RowLabel(schema, row.position) + ": '" + std::string(value) + "' is not a valid " + field.packet_type +
               " value for field '" + field.name + "'");
      }
      row.record.values[f] = std::move(*cell);
    }
    for (xmlNodePtr child = node->children; child; child = child->next) {
      if (!IsElement(child)) continue;
      size_t ignored = 0;
      const size_t f = FieldByExactName(schema, Name(child->name), ignored);
      FieldDef& field = schema.fields[f];
      if (!field.nested) {
        Reject(RowLabel(schema, row.position) + " holds an element for field '" + field.name +
               "', which is not a nested dataset field");
      }
      std::vector<xmlNodePtr> details;
      for (xmlNodePtr detail = child->children; detail; detail = detail->next) {
        if (!IsElement(detail)) continue;
        if (Name(detail->name).substr(0, 3) != "ROW") {
          Reject("unexpected element '" + std::string(Name(detail->name)) + "' in the rows of field '" + field.name +
                 "'");
        }
        details.push_back(detail);
      }
      auto records = ParseRows(details, *field.nested);
      auto& target = row.record.details[static_cast<size_t>(field.nested_index)];
      for (auto& record : records) target.push_back(std::move(record));
    }
    return row;
  }

  // Turns rows with their RowState into records: an original (1) and the
  // modified row (8) after it become one modified record. Every row's state
  // is checked first, so a row taken in as the modified one is checked too.
  std::vector<Record> Combine(std::vector<ParsedRow> rows) {
    for (const ParsedRow& row : rows) {
      if (row.state & ~kRowStateKnownFlags) {
        Reject("row " + std::to_string(row.position) + " has an unknown RowState " + std::to_string(row.state));
      }
    }
    std::vector<Record> records;
    records.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
      ParsedRow& row = rows[i];
      Record& record = row.record;
      const int state = row.state;
      record.change = row.position;
      if (state & kRowStateDeleted) {
        record.status = RowStatus::Deleted;
      } else if (state & kRowStateInserted) {
        record.status = RowStatus::Inserted;
      } else if (state & kRowStateModified) {
        Reject("row " + std::to_string(row.position) + " is modified (RowState 8) but does not follow its original");
      } else if ((state & kRowStateOriginal) && i + 1 < rows.size() && (rows[i + 1].state & kRowStateModified) &&
                 !(rows[i + 1].state & (kRowStateDeleted | kRowStateInserted))) {
        ParsedRow& modified = rows[i + 1];
        modified.record.original = std::move(record.values);
        modified.record.status = RowStatus::Modified;
        modified.record.change = modified.position;
        for (size_t k = 0; k < record.details.size(); ++k) {
          auto& target = modified.record.details[k];
          target.insert(target.begin(), std::make_move_iterator(record.details[k].begin()),
                        std::make_move_iterator(record.details[k].end()));
        }
        records.push_back(std::move(modified.record));
        ++i;
        continue;
      } else if (state & kRowStateDetailUpdated) {
        record.status = RowStatus::DetailUpdated;
      } else {  // 0, or an original without its modified row
        record.status = RowStatus::Unchanged;
        record.change = 0;
      }
      records.push_back(std::move(record));
    }
    return records;
  }

  // Gives every field of the packet the date form its texts were in.
  void SetDateForms(Schema& schema) const {
    for (FieldDef& field : schema.fields) {
      field.date_form = date_form_;
      if (field.nested) SetDateForms(*field.nested);
    }
  }

  // Replaces the row positions kept in Record::change by the order of the
  // level's CHANGE_LOG; changed rows it does not list come after, in their order.
  void ApplyChangeLogs(Schema& schema, std::vector<Record>& rows) {
    std::unordered_map<const Schema*, std::unordered_map<uint64_t, uint64_t>> orders;
    PrepareOrders(schema, orders);
    Renumber(schema, rows, orders);
  }

 private:
  void ParseLevel(xmlNodePtr fields, xmlNodePtr params, Schema& schema) {
    for (xmlNodePtr child = fields->children; child; child = child->next) {
      if (!IsElement(child)) continue;
      if (Name(child->name) != "FIELD") Reject("unexpected element '" + std::string(Name(child->name)) + "' in FIELDS");
      schema.fields.push_back(ParseField(child, schema));
    }
    if (schema.fields.empty()) Reject("FIELDS has no FIELD");
    Level& level = levels_[&schema];
    if (params == nullptr) return;
    for (xmlAttrPtr attribute = params->properties; attribute; attribute = attribute->next) {
      const std::string_view name = Name(attribute->name);
      std::string value = AttributeValue(attribute);
      if (name == "CHANGE_LOG") {
        level.has_log = true;
        ParseChangeLog(value, level);
      } else {
        schema.params.emplace_back(std::string(name), std::move(value));
      }
    }
    for (xmlNodePtr child = params->children; child; child = child->next) {
      if (!IsElement(child)) continue;
      XmlBuffer buffer(xmlBufferCreate());
      if (!buffer) throw std::bad_alloc();
      xmlNodeDump(buffer.get(), child->doc, child, 0, 0);
      schema.params_content.append(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                                   static_cast<size_t>(xmlBufferLength(buffer.get())));
    }
  }

  FieldDef ParseField(xmlNodePtr node, Schema& schema) {
    FieldDef field;
    bool has_name = false;
    bool has_type = false;
    for (xmlAttrPtr attribute = node->properties; attribute; attribute = attribute->next) {
      const std::string_view name = Name(attribute->name);
      std::string value = AttributeValue(attribute);
      if (name == "attrname") {
        field.name = std::move(value);
        has_name = true;
      } else if (name == "fieldtype") {
        field.packet_type = std::move(value);
        has_type = true;
      } else if (IsAttribute(name, "SUBTYPE")) {
        field.packet_subtype = std::move(value);
        field.subtype_attribute = name;
      } else if (IsAttribute(name, "WIDTH")) {
        field.width = ReadNumber(value, "WIDTH of a FIELD");
        field.width_attribute = name;
      } else if (IsAttribute(name, "DECIMALS")) {
        field.decimals = ReadNumber(value, "DECIMALS of a FIELD");
        field.decimals_attribute = name;
      } else if (name == "required") {
        field.required = ReadFlag(value);
      } else if (name == "readonly") {
        field.readonly = ReadFlag(value);
      } else {
        // TBufDataset names its fields twice (attrname and fieldname).
        if (name == "fieldname") date_form_ = DateForm::DayMonthYear;
        field.other_attributes.emplace_back(std::string(name), std::move(value));
      }
    }
    if (!has_name || field.name.empty()) Reject("a FIELD has no attrname");
    const std::string label = "field '" + field.name + "'";
    if (xmlValidateName(reinterpret_cast<const xmlChar*>(field.name.c_str()), 0) != 0 || field.name == kRowState) {
      Reject(label + ": the name cannot be used as an attribute name");
    }
    field.lower_name = LowerName(FromUtf8(field.name));
    if (schema.IndexOf(FromUtf8(field.name)) >= 0) Reject(label + " is defined twice");
    if (!has_type) Reject(label + " has no fieldtype");
    const auto type = FieldTypeFromPacket(field.packet_type, field.packet_subtype);
    if (!type) Reject(label + " has an unknown fieldtype '" + field.packet_type + "'");
    field.type = *type;
    if (field.type == FieldType::ftDataSet) {
      xmlNodePtr fields = nullptr;
      xmlNodePtr params = nullptr;
      for (xmlNodePtr child = node->children; child; child = child->next) {
        if (!IsElement(child)) continue;
        if (Name(child->name) == "FIELDS")
          fields = child;
        else if (Name(child->name) == "PARAMS")
          params = child;
      }
      if (fields == nullptr) Reject("nested " + label + " has no FIELDS");
      field.nested = std::make_unique<Schema>();
      ParseLevel(fields, params, *field.nested);
      field.nested_index = schema.nested_count++;
    }
    return field;
  }

  static void ParseChangeLog(std::string_view text, Level& level) {
    size_t pos = 0;
    while (pos < text.size()) {
      while (pos < text.size() && static_cast<unsigned char>(text[pos]) <= ' ') ++pos;
      if (pos == text.size()) break;
      uint64_t value = 0;
      const auto result = std::from_chars(text.data() + pos, text.data() + text.size(), value);
      if (result.ec != std::errc() ||
          (result.ptr != text.data() + text.size() && static_cast<unsigned char>(*result.ptr) > ' ')) {
        Reject("CHANGE_LOG holds something that is not a number: '" + std::string(text) + "'");
      }
      level.log.push_back(value);
      pos = static_cast<size_t>(result.ptr - text.data());
    }
    if (level.log.size() % 3 != 0) Reject("CHANGE_LOG must hold triples of numbers: '" + std::string(text) + "'");
  }

  static size_t FieldByExactName(const Schema& schema, std::string_view name, size_t hint) {
    if (hint < schema.fields.size() && schema.fields[hint].name == name) return hint;
    for (size_t f = 0; f < schema.fields.size(); ++f) {
      if (schema.fields[f].name == name) return f;
    }
    Reject("a row has a value for '" + std::string(name) + "', which is not a field");
  }

  static std::string RowLabel(const Schema&, uint64_t position) { return "row " + std::to_string(position); }

  void PrepareOrders(Schema& schema,
                     std::unordered_map<const Schema*, std::unordered_map<uint64_t, uint64_t>>& orders) {
    Level& level = levels_[&schema];
    auto& order = orders[&schema];
    for (size_t t = 0; t + 2 < level.log.size(); t += 3) {
      const uint64_t position = level.log[t];
      if (position == 0 || position > level.rows_seen) {
        Reject("CHANGE_LOG refers to row " + std::to_string(position) + ", which does not exist");
      }
      order.emplace(position, t / 3 + 1);
    }
    schema.next_change = level.log.size() / 3 + level.rows_seen + 1;
    for (FieldDef& field : schema.fields) {
      if (field.nested) PrepareOrders(*field.nested, orders);
    }
  }

  void Renumber(const Schema& schema, std::vector<Record>& rows,
                const std::unordered_map<const Schema*, std::unordered_map<uint64_t, uint64_t>>& orders) {
    const auto& order = orders.at(&schema);
    const uint64_t logged = levels_.at(&schema).log.size() / 3;
    for (Record& record : rows) {
      if (record.status != RowStatus::Unchanged) {
        const auto found = order.find(record.change);
        record.change = found != order.end() ? found->second : logged + record.change;
      }
      for (const FieldDef& field : schema.fields) {
        if (field.nested) Renumber(*field.nested, record.details[static_cast<size_t>(field.nested_index)], orders);
      }
    }
  }

  std::unordered_map<const Schema*, Level> levels_;
  // DayMonthYear once a FIELD or a date text shows TBufDataset's form.
  DateForm date_form_ = DateForm::Standard;
};

class StreamReader {
 public:
  explicit StreamReader(std::string_view utf8) {
    if (utf8.size() > static_cast<size_t>(INT_MAX)) Reject("the text is too long");
    reader_.reset(xmlReaderForMemory(utf8.data(), static_cast<int>(utf8.size()), "packet", "UTF-8",
                                     XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE));
    if (!reader_) throw std::bad_alloc();
    xmlTextReaderSetStructuredErrorHandler(reader_.get(), OnXmlError, &errors_);
  }

  xmlTextReaderPtr get() const { return reader_.get(); }

  bool Read() { return Check(xmlTextReaderRead(reader_.get())); }
  bool Next() { return Check(xmlTextReaderNext(reader_.get())); }
  xmlNodePtr Expand() {
    xmlNodePtr node = xmlTextReaderExpand(reader_.get());
    if (node == nullptr) Fail();
    return node;
  }
  int Type() const { return xmlTextReaderNodeType(reader_.get()); }
  int Depth() const { return xmlTextReaderDepth(reader_.get()); }
  std::string_view LocalName() const { return Name(xmlTextReaderConstName(reader_.get())); }
  bool IsEmpty() const { return xmlTextReaderIsEmptyElement(reader_.get()) == 1; }

  [[noreturn]] void Fail() const {
    if (errors_.message.empty()) Reject("the XML text cannot be read");
    throw Error("Invalid data packet: " + errors_.message + " (line " + std::to_string(errors_.line) + ")");
  }

 private:
  bool Check(int result) const {
    if (result < 0 || !errors_.message.empty()) Fail();
    return result == 1;
  }

  XmlReader reader_;
  ErrorSink errors_;
};

}  // namespace

LoadedPacket ReadPacket(std::string_view utf8) {
  StreamReader reader(utf8);
  PacketParser parser;
  LoadedPacket packet;

  bool more = reader.Read();
  while (more && reader.Type() != XML_READER_TYPE_ELEMENT) {
    if (reader.Type() == XML_READER_TYPE_DOCUMENT_TYPE) Reject("a document type declaration is not allowed");
    more = reader.Read();
  }
  if (!more) Reject("the text holds no element");
  if (reader.LocalName() != "DATAPACKET") {
    Reject("the root element is '" + std::string(reader.LocalName()) + "', not DATAPACKET");
  }
  if (XmlText version{xmlTextReaderGetAttribute(reader.get(), reinterpret_cast<const xmlChar*>("Version"))}) {
    const std::string_view text = Name(version.get());
    if (text != "2.0") Reject("unsupported Version '" + std::string(text) + "' (2.0 expected)");
  }
  const bool empty_root = reader.IsEmpty();
  more = reader.Read();
  bool has_rowdata = false;
  while (more && !empty_root) {
    if (reader.Type() == XML_READER_TYPE_END_ELEMENT && reader.Depth() == 0) break;
    if (reader.Type() != XML_READER_TYPE_ELEMENT || reader.Depth() != 1) {
      more = reader.Read();
      continue;
    }
    const std::string name(reader.LocalName());
    if (name == "METADATA") {
      if (packet.schema) Reject("METADATA appears twice");
      packet.schema = parser.ParseMetadata(reader.Expand());
      more = reader.Next();
    } else if (name == "ROWDATA") {
      if (!packet.schema) Reject("ROWDATA comes before METADATA");
      if (has_rowdata) Reject("ROWDATA appears twice");
      has_rowdata = true;
      std::vector<ParsedRow> rows;
      const bool empty = reader.IsEmpty();
      more = reader.Read();
      while (more && !empty) {
        if (reader.Type() == XML_READER_TYPE_END_ELEMENT && reader.Depth() == 1) break;
        if (reader.Type() == XML_READER_TYPE_ELEMENT && reader.Depth() == 2) {
          if (reader.LocalName() != "ROW")
            Reject("unexpected element '" + std::string(reader.LocalName()) + "' in ROWDATA");
          rows.push_back(parser.ParseRow(reader.Expand(), *packet.schema));
          more = reader.Next();
        } else {
          more = reader.Read();
        }
      }
      packet.rows = parser.Combine(std::move(rows));
      if (!empty && more) more = reader.Read();
    } else {
      Reject("unexpected element '" + name + "' in DATAPACKET");
    }
  }
  while (more) more = reader.Read();  // the rest must be well formed too
  if (!packet.schema) Reject("the packet has no METADATA");
  parser.ApplyChangeLogs(*packet.schema, packet.rows);
  parser.SetDateForms(*packet.schema);
  return packet;
}

}  // namespace lumetra::dataset
