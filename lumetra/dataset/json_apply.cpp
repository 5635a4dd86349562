#include "lumetra/dataset/json_apply.h"

#include <string>

#include "lumetra/automation/values/errors.h"
#include "lumetra/dataset/date_time.h"

namespace lumetra::dataset {
namespace {

enum class ValueKind { Text, Int32, Int64, Float, Boolean, Empty };

ValueKind KindOf(const Token& token) {
  switch (token.kind) {
    case TokenKind::PropertyName:
    case TokenKind::String:
    case TokenKind::Comment:
      return ValueKind::Text;
    case TokenKind::Integer:
      return token.is64 ? ValueKind::Int64 : ValueKind::Int32;
    case TokenKind::Float:
      return ValueKind::Float;
    case TokenKind::Boolean:
      return ValueKind::Boolean;
    default:
      return ValueKind::Empty;
  }
}

const char* KindName(ValueKind kind) {
  switch (kind) {
    case ValueKind::Text:
      return "text";
    case ValueKind::Int32:
    case ValueKind::Int64:
      return "integer";
    case ValueKind::Float:
      return "number";
    case ValueKind::Boolean:
      return "boolean";
    case ValueKind::Empty:
      break;
  }
  return "empty value";
}

// The automation value that the field's group makes of the token.
Variant ValueFor(FieldGroup group, const Token& token, const FieldDef& field) {
  const ValueKind kind = KindOf(token);
  switch (group) {
    case FieldGroup::Text:
      if (kind == ValueKind::Text) return Variant::String(token.text);
      if (kind == ValueKind::Empty) return Variant::String(WideString());
      break;
    case FieldGroup::Integer:
      if (kind == ValueKind::Int32) return Variant::I4(static_cast<int32_t>(token.integer));
      if (kind == ValueKind::Int64) return Variant::I4(static_cast<int32_t>(static_cast<uint32_t>(token.integer)));
      if (kind == ValueKind::Empty) return Variant::I4(0);
      break;
    case FieldGroup::Boolean:
      if (kind == ValueKind::Boolean) return Variant::Bool(token.boolean);
      if (kind == ValueKind::Empty) return Variant::Bool(false);
      break;
    case FieldGroup::Floating:
      if (kind == ValueKind::Int32 || kind == ValueKind::Int64) return Variant::R8(static_cast<double>(token.integer));
      if (kind == ValueKind::Float) return Variant::R8(token.number);
      if (kind == ValueKind::Empty) return Variant::R8(0);
      break;
    case FieldGroup::DateTime:
      switch (kind) {
        case ValueKind::Text: {
          const auto day = DateTimeFromText(ToUtf8(token.text));
          if (!day) throw Error("'" + ToUtf8(token.text) + "' is not a valid date and time");
          return Variant::Date(*day);
        }
        case ValueKind::Int32:
        case ValueKind::Int64:
          return Variant::Date(static_cast<double>(token.integer));
        case ValueKind::Float:
          return Variant::Date(token.number);
        case ValueKind::Boolean:
          return Variant::Date(token.boolean ? -1.0 : 0.0);
        case ValueKind::Empty:
          return Variant::Date(0);
      }
      break;
    case FieldGroup::General:
      switch (kind) {
        case ValueKind::Text:
          return Variant::String(token.text);
        case ValueKind::Int32:
        case ValueKind::Int64:
          return Variant::I8(token.integer);
        case ValueKind::Float:
          return Variant::R8(token.number);
        case ValueKind::Boolean:
          return Variant::Bool(token.boolean);
        case ValueKind::Empty:
          return Variant();
      }
      break;
  }
  throw Error(std::string("A JSON ") + KindName(kind) + " cannot be written into field '" + field.name + "'");
}

}  // namespace

void WriteToken(Dataset& dataset, int field, const Token& token) {
  const FieldDef& definition = dataset.Field(field);
  dataset.SetValue(field, ValueFor(GroupOf(definition.type), token, definition));
}

void ApplyJson(Dataset& dataset, WideStringView json) {
  JsonTokenReader reader(json);
  Token token;
  while (reader.Next(token)) {
    if (token.kind != TokenKind::PropertyName) continue;
    const WideString name = token.text;
    if (!reader.Next(token)) return;
    const int field = dataset.FieldIndex(name);
    if (token.kind != TokenKind::StartArray) {
      WriteToken(dataset, field, token);
      continue;
    }
    Dataset& detail = dataset.Nested(field);
    while (true) {
      if (token.kind == TokenKind::StartObject) {
        detail.Append();
      } else if (token.kind == TokenKind::PropertyName) {
        const WideString detail_name = token.text;
        if (!reader.Next(token)) return;
        WriteToken(detail, detail.FieldIndex(detail_name), token);
      }
      if (token.kind == TokenKind::EndObject) detail.Post();
      if (!reader.Next(token)) return;
      if (token.kind == TokenKind::EndArray) break;
    }
  }
}

}  // namespace lumetra::dataset
