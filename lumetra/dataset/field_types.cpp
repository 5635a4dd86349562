#include "lumetra/dataset/field_types.h"

#include <array>
#include <limits>

namespace lumetra::dataset {
namespace {

struct TypeInfo {
  FieldType type;
  std::string_view name;
  FieldGroup group;
  bool key;
  std::string_view fieldtype;
  std::string_view subtype;
};

// One row per data type; the first row of a fieldtype is its plain type.
constexpr std::array<TypeInfo, 31> kTypes{{
    {FieldType::ftString, "ftString", FieldGroup::Text, true, "string", ""},
    {FieldType::ftFixedChar, "ftFixedChar", FieldGroup::General, true, "string", "FixedChar"},
    {FieldType::ftGuid, "ftGuid", FieldGroup::General, true, "string", "Guid"},
    {FieldType::ftWideString, "ftWideString", FieldGroup::Text, true, "string.uni", ""},
    {FieldType::ftFixedWideChar, "ftFixedWideChar", FieldGroup::General, true, "string.uni", "FixedChar"},
    {FieldType::ftBytes, "ftBytes", FieldGroup::General, false, "bin.hex", ""},
    {FieldType::ftMemo, "ftMemo", FieldGroup::Text, false, "bin.hex", "Text"},
    {FieldType::ftWideMemo, "ftWideMemo", FieldGroup::General, false, "bin.hex", "WideText"},
    {FieldType::ftBlob, "ftBlob", FieldGroup::General, false, "bin.hex", "Binary"},
    {FieldType::ftGraphic, "ftGraphic", FieldGroup::General, false, "bin.hex", "Graphics"},
    {FieldType::ftFmtMemo, "ftFmtMemo", FieldGroup::General, false, "bin.hex", "Formatted"},
    {FieldType::ftTypedBinary, "ftTypedBinary", FieldGroup::General, false, "bin.hex", "TypedBinary"},
    {FieldType::ftShortint, "ftShortint", FieldGroup::Integer, true, "i1", ""},
    {FieldType::ftSmallint, "ftSmallint", FieldGroup::Integer, true, "i2", ""},
    {FieldType::ftInteger, "ftInteger", FieldGroup::Integer, true, "i4", ""},
    {FieldType::ftAutoInc, "ftAutoInc", FieldGroup::General, true, "i4", "Autoinc"},
    {FieldType::ftLargeint, "ftLargeint", FieldGroup::General, true, "i8", ""},
    {FieldType::ftByte, "ftByte", FieldGroup::General, true, "ui1", ""},
    {FieldType::ftWord, "ftWord", FieldGroup::Integer, true, "ui2", ""},
    {FieldType::ftLongWord, "ftLongWord", FieldGroup::Integer, true, "ui4", ""},
    {FieldType::ftFloat, "ftFloat", FieldGroup::Floating, true, "r8", ""},
    {FieldType::ftCurrency, "ftCurrency", FieldGroup::Floating, true, "r8", "Money"},
    {FieldType::ftBCD, "ftBCD", FieldGroup::Floating, true, "fixed", ""},
    {FieldType::ftFMTBcd, "ftFMTBcd", FieldGroup::General, true, "fixedFMT", ""},
    {FieldType::ftBoolean, "ftBoolean", FieldGroup::Boolean, true, "boolean", ""},
    {FieldType::ftDate, "ftDate", FieldGroup::DateTime, true, "date", ""},
    {FieldType::ftTime, "ftTime", FieldGroup::DateTime, true, "time", ""},
    {FieldType::ftDateTime, "ftDateTime", FieldGroup::DateTime, true, "dateTime", ""},
    {FieldType::ftTimeStamp, "ftTimeStamp", FieldGroup::General, true, "SQLdateTime", ""},
    {FieldType::ftDataSet, "ftDataSet", FieldGroup::General, false, "nested", ""},
    // Autoinc is also written in lower case by some engines.
    {FieldType::ftAutoInc, "ftAutoInc", FieldGroup::General, true, "i4", "AutoInc"},
}};

const TypeInfo& InfoOf(FieldType type) {
  for (const auto& info : kTypes) {
    if (info.type == type) return info;
  }
  return kTypes[0];  // unreachable: every enumerator has a row
}

}  // namespace

FieldGroup GroupOf(FieldType type) { return InfoOf(type).group; }
std::string_view FieldTypeName(FieldType type) { return InfoOf(type).name; }
bool IsKeyType(FieldType type) { return InfoOf(type).key; }
std::string_view PacketFieldType(FieldType type) { return InfoOf(type).fieldtype; }
std::string_view PacketSubtype(FieldType type) { return InfoOf(type).subtype; }

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::optional<FieldType> FieldTypeFromPacket(std::string_view fieldtype, std::string_view subtype) {
  const TypeInfo* plain = nullptr;
  for (const auto& info : kTypes) {
    if (!SameIgnoringCase(info.fieldtype, fieldtype)) continue;
    if (!subtype.empty() && SameIgnoringCase(info.subtype, subtype)) return info.type;
    if (plain == nullptr && info.subtype.empty()) plain = &info;
  }
  // bin.hex with a SUBTYPE we do not know is a blob of bytes.
  if (SameIgnoringCase(fieldtype, "bin.hex") && !subtype.empty()) return FieldType::ftBlob;
  if (plain == nullptr) return std::nullopt;
  return plain->type;
}

std::optional<IntegerRange> RangeOf(FieldType type) {
  switch (type) {
    case FieldType::ftShortint:
      return IntegerRange{-128, 127};
    case FieldType::ftSmallint:
      return IntegerRange{-32768, 32767};
    case FieldType::ftInteger:
    case FieldType::ftAutoInc:
      return IntegerRange{std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
    case FieldType::ftLargeint:
      return IntegerRange{std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()};
    case FieldType::ftByte:
      return IntegerRange{0, 255};
    case FieldType::ftWord:
      return IntegerRange{0, 65535};
    case FieldType::ftLongWord:
      return IntegerRange{0, 4294967295LL};
    default:
      return std::nullopt;
  }
}

}  // namespace lumetra::dataset
